#pragma once
// One OpenAL EFX filter.
#include "audio_library/Efx.h"
#include "caural/IEffect.h"

namespace cAural {

ALint convertFilterType(FilterType type);

class cFilter : public IFilter, public cMemoryOverride {
 public:
  // Holds a reference on the table (which may be null) for its whole life.
  explicit cFilter(EfxFunctionTable* efx);
  ~cFilter() override;

  FilterType getType() override { return type_; }
  void setType(const FilterType& type) override;
  float getGain() override { return gain_; }
  void setGain(const float& gain) override;
  float getLowFrequencyGain() override { return lowFrequencyGain_; }
  void setLowFrequencyGain(const float& gain) override;
  float getHighFrequencyGain() override { return highFrequencyGain_; }
  void setHighFrequencyGain(const float& gain) override;
  std::uint32_t getUpdateCount() override { return updateCount_.load(); }
  bool isValid() override { return valid_.load(); }

  ALuint getOpenALFilter() const { return filter_; }

 private:
  bool uploadParameters();
  bool usable() const { return efx_ != nullptr && efx_->supported && filter_ != 0; }

  EfxFunctionTable* efx_;
  cMutex mutex_;
  FilterType type_ = FILTER_NULL;
  float gain_ = 1.0f;
  float lowFrequencyGain_ = 1.0f;
  float highFrequencyGain_ = 1.0f;
  std::atomic<std::uint32_t> updateCount_{0};
  std::atomic<bool> valid_{false};
  ALuint filter_ = 0;
};

}  // namespace cAural
