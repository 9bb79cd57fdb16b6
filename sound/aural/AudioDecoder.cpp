#include "sound/aural/AudioDecoder.h"

namespace cAural {

IAudioDecoder::IAudioDecoder(IDataSource* source) : source_(source) {
  if (source_ != nullptr) source_->addRef();
}

IAudioDecoder::~IAudioDecoder() {
  if (source_ != nullptr) source_->release();
}

bool IAudioDecoder::hasUsableSource() const { return source_ != nullptr && source_->isValid(); }

IAudioDecoder* cOggAudioDecoderFactory::createAudioDecoder(IDataSource* source) {
  cMutexLock hold(mutex_);
  return new cOggDecoder(source);
}

IAudioDecoder* cWavAudioDecoderFactory::createAudioDecoder(IDataSource* source) {
  cMutexLock hold(mutex_);
  return new cWavDecoder(source);
}

IAudioDecoder* cRawAudioDecoderFactory::createAudioDecoder(IDataSource* source) {
  return createAudioDecoder(source, 22050, FORMAT_MONO16);
}

IAudioDecoder* cRawAudioDecoderFactory::createAudioDecoder(IDataSource* source, std::uint32_t frequency,
                                                           AudioFormat format) {
  cMutexLock hold(mutex_);
  return new cRawDecoder(source, frequency, format);
}

cOggAudioDecoderFactory* getOggAudioDecoderFactory() {
  static cOggAudioDecoderFactory factory;
  return &factory;
}

cWavAudioDecoderFactory* getWavAudioDecoderFactory() {
  static cWavAudioDecoderFactory factory;
  return &factory;
}

cRawAudioDecoderFactory* getRawAudioDecoderFactory() {
  static cRawAudioDecoderFactory factory;
  return &factory;
}

}  // namespace cAural
