#include "audio_library/Filter.h"

namespace cAural {

namespace {
constexpr const char* kSender = "Audio Filter";
}

ALint convertFilterType(FilterType type) {
  switch (type) {
    case FILTER_LOWPASS: return AL_FILTER_LOWPASS;
    case FILTER_HIGHPASS: return AL_FILTER_HIGHPASS;
    case FILTER_BANDPASS: return AL_FILTER_BANDPASS;
    default: return AL_FILTER_NULL;
  }
}

cFilter::cFilter(EfxFunctionTable* efx) : efx_(efx) {
  if (efx_ != nullptr) efx_->addRef();
  cMutexLock lock(mutex_);
  if (efx_ == nullptr || !efx_->supported) return;
  cEfxLock al(*efx_);
  efx_->alGenFilters(1, &filter_);
  if (checkEfxError(*efx_, kSender)) {
    filter_ = 0;
    return;
  }
  valid_ = true;
}

cFilter::~cFilter() {
  {
    cMutexLock lock(mutex_);
    if (usable()) {
      cEfxLock al(*efx_);
      efx_->alDeleteFilters(1, &filter_);
      checkEfxError(*efx_, kSender);
    }
  }
  if (efx_ != nullptr) efx_->release();
}

void cFilter::setType(const FilterType& type) {
  cMutexLock lock(mutex_);
  type_ = type;
  uploadParameters();
}

void cFilter::setGain(const float& gain) {
  cMutexLock lock(mutex_);
  gain_ = gain;
  uploadParameters();
}

void cFilter::setLowFrequencyGain(const float& gain) {
  cMutexLock lock(mutex_);
  lowFrequencyGain_ = gain;
  uploadParameters();
}

void cFilter::setHighFrequencyGain(const float& gain) {
  cMutexLock lock(mutex_);
  highFrequencyGain_ = gain;
  uploadParameters();
}

bool cFilter::uploadParameters() {
  ++updateCount_;
  if (!usable()) return false;
  cEfxLock al(*efx_);
  efx_->alFilteri(filter_, AL_FILTER_TYPE, convertFilterType(type_));
  valid_ = !checkEfxError(*efx_, kSender);
  if (!valid_) return false;
  // Parameter 1 is the gain of every pass type; 2 and 3 the band gains.
  switch (type_) {
    case FILTER_LOWPASS:
      efx_->alFilterf(filter_, AL_LOWPASS_GAIN, gain_);
      efx_->alFilterf(filter_, AL_LOWPASS_GAINHF, highFrequencyGain_);
      break;
    case FILTER_HIGHPASS:
      efx_->alFilterf(filter_, AL_HIGHPASS_GAIN, gain_);
      efx_->alFilterf(filter_, AL_HIGHPASS_GAINLF, lowFrequencyGain_);
      break;
    case FILTER_BANDPASS:
      efx_->alFilterf(filter_, AL_BANDPASS_GAIN, gain_);
      efx_->alFilterf(filter_, AL_BANDPASS_GAINLF, lowFrequencyGain_);
      efx_->alFilterf(filter_, AL_BANDPASS_GAINHF, highFrequencyGain_);
      break;
    default:
      return true;
  }
  valid_ = !checkEfxError(*efx_, kSender);
  return valid_;
}

}  // namespace cAural
