#pragma once
// Decoders turn the bytes of a data source into PCM that OpenAL can play:
// Ogg Vorbis through vorbisfile, RIFF WAV parsed here, and headerless PCM.
#include <cstdint>

#include "sound/aural/DataSource.h"

namespace cAural {

// PCM layout. 16-bit samples are signed little-endian, 8-bit ones unsigned.
enum AudioFormat : std::int32_t {
  FORMAT_MONO8 = 0,
  FORMAT_STEREO8 = 1,
  FORMAT_MONO16 = 2,
  FORMAT_STEREO16 = 3,
};

// A source plays from one decoder at a time; the update thread reads it
// while the source's lock is held, so a decoder needs no lock of its own.
class CAURAL_API IAudioDecoder : public IRefCounted {
 public:
  // Takes a reference on the source (when there is one); the destructor drops it.
  explicit IAudioDecoder(IDataSource* source);
  ~IAudioDecoder() override;

  virtual AudioFormat getFormat() = 0;
  virtual std::int32_t getFrequency() = 0;
  virtual bool isSeekable() = 0;
  virtual bool isValid() = 0;
  // Bytes produced, 0 at the end; a decoder may pass negative error codes.
  virtual std::int32_t readAudioData(void* buffer, std::int32_t count) = 0;
  virtual bool setPosition(std::int32_t position, bool relative) = 0;
  virtual bool seek(float seconds, bool relative) = 0;
  virtual float getTotalTime() = 0;
  virtual std::int32_t getTotalSize() = 0;
  virtual std::int32_t getCompressedSize() = 0;
  virtual float getCurrentTime() = 0;
  virtual std::int32_t getCurrentPosition() = 0;
  virtual std::int32_t getCurrentCompressedPosition() = 0;

  IDataSource* getDataSource() const { return source_; }

 protected:
  // True when the source exists and is valid.
  bool hasUsableSource() const;

  IDataSource* source_ = nullptr;
};

class CAURAL_API cOggDecoder : public IAudioDecoder, public cMemoryOverride {
 public:
  explicit cOggDecoder(IDataSource* source);
  ~cOggDecoder() override;

  AudioFormat getFormat() override;
  std::int32_t getFrequency() override;
  bool isSeekable() override;
  bool isValid() override { return valid_; }
  // One ov_read of at most count bytes (16-bit little-endian signed).
  std::int32_t readAudioData(void* buffer, std::int32_t count) override;
  // A compressed byte offset; the relative flag is not used.
  bool setPosition(std::int32_t position, bool relative) override;
  bool seek(float seconds, bool relative) override;
  float getTotalTime() override;
  // A count of 16-bit values (samples x channels).
  std::int32_t getTotalSize() override;
  std::int32_t getCompressedSize() override;
  float getCurrentTime() override;
  std::int32_t getCurrentPosition() override;
  std::int32_t getCurrentCompressedPosition() override;

  // The stream's channel count (0 when invalid).
  int getChannelCount() const;
  // Why the stream is not valid, for messages ("" when it is).
  const char* getProblem() const { return problem_; }

 private:
  // vorbisfile's state, kept out of this header: a user of the library may
  // include vorbisfile itself, in its own way.
  struct Stream;
  Stream* stream_ = nullptr;
  bool valid_ = false;
  const char* problem_ = "";
};

class CAURAL_API cWavDecoder : public IAudioDecoder, public cMemoryOverride {
 public:
  explicit cWavDecoder(IDataSource* source);
  ~cWavDecoder() override;

  AudioFormat getFormat() override;
  std::int32_t getFrequency() override { return sampleRate_; }
  bool isSeekable() override { return true; }
  bool isValid() override { return valid_; }
  // Reads only inside the data chunk.
  std::int32_t readAudioData(void* buffer, std::int32_t count) override;
  // Held to the data chunk.
  bool setPosition(std::int32_t position, bool relative) override;
  bool seek(float seconds, bool relative) override;
  float getTotalTime() override;
  // The whole source, header included.
  std::int32_t getTotalSize() override;
  std::int32_t getCompressedSize() override;
  float getCurrentTime() override;
  std::int32_t getCurrentPosition() override;
  std::int32_t getCurrentCompressedPosition() override;

  std::uint16_t getChannels() const { return channels_; }
  std::uint16_t getBitsPerSample() const { return bitsPerSample_; }
  std::uint16_t getBlockAlign() const { return blockAlign_; }
  std::int32_t getByteRate() const { return byteRate_; }
  // The sample bytes present in the source (a header claiming more is cut to the file).
  std::int32_t getDataSize() const { return dataSize_; }
  std::int32_t getDataOffset() const { return dataOffset_; }
  // Why the file is not valid, for messages ("" when it is).
  const char* getProblem() const { return problem_; }

 private:
  bool readHeader();
  // Records why the file is refused; false.
  bool refuse(const char* format, unsigned value = 0) __attribute__((format(printf, 2, 0)));
  std::int64_t bytesPerSecond() const;
  std::int32_t frameBytes() const;

  std::uint16_t channels_ = 0;
  std::int32_t sampleRate_ = 0;
  std::int32_t byteRate_ = 0;
  std::uint16_t blockAlign_ = 0;
  std::uint16_t bitsPerSample_ = 0;
  std::int32_t dataSize_ = 0;
  std::int32_t dataOffset_ = 0;
  bool valid_ = false;
  char problem_[64] = "";
};

class CAURAL_API cRawDecoder : public IAudioDecoder, public cMemoryOverride {
 public:
  cRawDecoder(IDataSource* source, std::uint32_t frequency, AudioFormat format);

  AudioFormat getFormat() override { return format_; }
  std::int32_t getFrequency() override { return static_cast<std::int32_t>(frequency_); }
  bool isSeekable() override { return true; }
  bool isValid() override { return hasUsableSource(); }
  std::int32_t readAudioData(void* buffer, std::int32_t count) override;
  bool setPosition(std::int32_t position, bool relative) override;
  bool seek(float seconds, bool relative) override;
  float getTotalTime() override;
  std::int32_t getTotalSize() override;
  std::int32_t getCompressedSize() override;
  float getCurrentTime() override;
  std::int32_t getCurrentPosition() override;
  std::int32_t getCurrentCompressedPosition() override;

 private:
  std::uint32_t bytesPerFrame() const;

  std::uint32_t frequency_;
  AudioFormat format_;
};

// May be called from any thread (a manager calls it under its own lock).
class CAURAL_API IAudioDecoderFactory {
 public:
  virtual ~IAudioDecoderFactory() = default;
  // A new decoder holding one reference, the caller's, and one on the source;
  // null or an invalid decoder when the data is not for it.
  virtual IAudioDecoder* createAudioDecoder(IDataSource* source) = 0;
};

class CAURAL_API cOggAudioDecoderFactory : public IAudioDecoderFactory {
 public:
  IAudioDecoder* createAudioDecoder(IDataSource* source) override;

 private:
  cMutex mutex_;
};

class CAURAL_API cWavAudioDecoderFactory : public IAudioDecoderFactory {
 public:
  IAudioDecoder* createAudioDecoder(IDataSource* source) override;

 private:
  cMutex mutex_;
};

class CAURAL_API cRawAudioDecoderFactory : public IAudioDecoderFactory {
 public:
  // 22050 Hz, 16-bit mono.
  IAudioDecoder* createAudioDecoder(IDataSource* source) override;
  IAudioDecoder* createAudioDecoder(IDataSource* source, std::uint32_t frequency, AudioFormat format);

 private:
  cMutex mutex_;
};

// The process's one factory of each kind.
CAURAL_API cOggAudioDecoderFactory* getOggAudioDecoderFactory();
CAURAL_API cWavAudioDecoderFactory* getWavAudioDecoderFactory();
CAURAL_API cRawAudioDecoderFactory* getRawAudioDecoderFactory();

}  // namespace cAural
