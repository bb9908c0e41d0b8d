// The effect runtime's side of the adapter: the entries of EffectHooks for any effect
// built on TFablo. Only the audio entries depend on the concrete effect class, so that
// its per-frame section is called directly (see audio_bridge.h).
#pragma once
#include <cstdint>

#include "plugin/vst2/audio_bridge.h"
#include "plugin/vst2/effect_hooks.h"

namespace runtime_hooks {

void setup(CZelk* z);
void destroyEffect(CZelk* z);
void open(CZelk* z);
void suspend(CZelk* z);
void resume(CZelk* z);
void editorIdle(CZelk* z);
void close(CZelk* z);
void draw(CZelk* z, double width, double height);
void mouseDown(CZelk* z, double x, double y, int32_t buttons);
void mouseUp(CZelk* z, double x, double y, int32_t buttons);
void mouseMoved(CZelk* z, double x, double y, int32_t buttons);
int32_t getVendorVersion(CZelk* z);
bool getVendorString(CZelk* z, char* text);
bool getProductString(CZelk* z, char* text);
bool getEffectName(CZelk* z, char* text);
void getProgramName(CZelk* z, char* text);
void setProgramName(CZelk* z, const char* text);
bool getProgramNameIndexed(CZelk* z, int32_t category, int32_t index, char* text);
float getParameter(CZelk* z, int32_t index);
void setParameter(CZelk* z, int32_t index, float value);
void getParameterName(CZelk* z, int32_t index, char* text);
void getParameterLabel(CZelk* z, int32_t index, char* text);
void getParameterDisplay(CZelk* z, int32_t index, char* text);
int32_t getChunk(CZelk* z, void** data, bool isPreset);
int32_t setChunk(CZelk* z, void* data, int32_t byteSize, bool isPreset);

}  // namespace runtime_hooks

// The full table for the effect class EffectT; key hooks stay empty.
template <class EffectT>
EffectHooks effectHooksFor() {
  using namespace runtime_hooks;
  return EffectHooks{setup,
                     destroyEffect,
                     open,
                     suspend,
                     resume,
                     editorIdle,
                     close,
                     draw,
                     mouseDown,
                     mouseUp,
                     mouseMoved,
                     nullptr,
                     nullptr,
                     getVendorVersion,
                     getVendorString,
                     getProductString,
                     getEffectName,
                     getProgramName,
                     setProgramName,
                     getProgramNameIndexed,
                     getParameter,
                     setParameter,
                     getParameterName,
                     getParameterLabel,
                     getParameterDisplay,
                     bridgeBlock<EffectT, float>,
                     bridgeBlock<EffectT, double>,
                     getChunk,
                     setChunk};
}
