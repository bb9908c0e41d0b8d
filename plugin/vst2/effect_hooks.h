// The table of entry points into the effect runtime that the generic plug-in object calls.
// Everything particular to one effect reaches CZelk through it; an empty entry means
// the plug-in's default.
#pragma once
#include <cstdint>

class CZelk;

struct EffectHooks {
  void (*setup)(CZelk*);  // end of plug-in construction: channels, id, editor, chunk flag
  void (*destroyEffect)(CZelk*);
  void (*open)(CZelk*);
  void (*suspend)(CZelk*);
  void (*resume)(CZelk*);
  void (*editorIdle)(CZelk*);
  void (*close)(CZelk*);
  void (*draw)(CZelk*, double width, double height);
  void (*mouseDown)(CZelk*, double x, double y, int32_t buttons);
  void (*mouseUp)(CZelk*, double x, double y, int32_t buttons);
  void (*mouseMoved)(CZelk*, double x, double y, int32_t buttons);
  void (*keyDown)(CZelk*, int32_t character, uint8_t modifier, uint8_t virt);
  void (*keyUp)(CZelk*, int32_t character, uint8_t modifier, uint8_t virt);
  int32_t (*getVendorVersion)(CZelk*);
  bool (*getVendorString)(CZelk*, char* text);
  bool (*getProductString)(CZelk*, char* text);
  bool (*getEffectName)(CZelk*, char* text);
  void (*getProgramName)(CZelk*, char* text);
  void (*setProgramName)(CZelk*, const char* text);
  bool (*getProgramNameIndexed)(CZelk*, int32_t category, int32_t index, char* text);
  float (*getParameter)(CZelk*, int32_t index);
  void (*setParameter)(CZelk*, int32_t index, float value);
  void (*getParameterName)(CZelk*, int32_t index, char* text);
  void (*getParameterLabel)(CZelk*, int32_t index, char* text);
  void (*getParameterDisplay)(CZelk*, int32_t index, char* text);
  void (*processReplacing)(CZelk*, float** inputs, float** outputs, int32_t frames);
  void (*processDoubleReplacing)(CZelk*, double** inputs, double** outputs, int32_t frames);
  int32_t (*getChunk)(CZelk*, void** data, bool isPreset);
  int32_t (*setChunk)(CZelk*, void* data, int32_t byteSize, bool isPreset);
};

static_assert(sizeof(EffectHooks) == 29 * sizeof(void*));
