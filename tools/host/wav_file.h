// A small RIFF/WAVE reader and writer: 8/16/24/32-bit PCM and 32/64-bit float, plain or
// WAVE_FORMAT_EXTENSIBLE headers. Streams from and to disk, so long files need no memory.
// The Windows build's audio files; built everywhere so that its tests run natively too.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "tools/host/audio_io.h"

namespace host {

std::unique_ptr<AudioReader> openWavReader(const std::string& path, std::string& error);
// The same from an open stream, which the reader then owns (and closes, also on failure);
// `name` is what its messages call the file.
std::unique_ptr<AudioReader> openWavReader(std::FILE* file, const std::string& name, std::string& error);
// Writes 16/24/32-bit PCM or 32/64-bit float; Other is refused.
std::unique_ptr<AudioWriter> createWavWriter(const std::string& path, int channels, double sampleRate,
                                             SampleEncoding encoding, std::string& error);

}  // namespace host
