// Audio files where libsndfile is not at hand (the Windows build): WAV only.
#include "tools/host/audio_io.h"
#include "tools/host/wav_file.h"

namespace host {

std::unique_ptr<AudioReader> openAudioReader(const std::string& path, std::string& error) {
  return openWavReader(path, error);
}

std::unique_ptr<AudioWriter> createAudioWriter(const std::string& path, int channels, double sampleRate,
                                               SampleEncoding encoding, std::string& error) {
  if (encoding == SampleEncoding::Other) encoding = SampleEncoding::Float32;
  return createWavWriter(path, channels, sampleRate, encoding, error);
}

}  // namespace host
