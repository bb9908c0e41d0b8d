// Lifecycle, editor, text and chunk entries of the effect runtime's hook table.
#include "plugin/vst2/runtime_hooks.h"

#include "plugin/vst2/text_copy.h"
#include "plugin/vst2/zelk.h"
#include "plugin/vst2/zelk_editor.h"
#include "runtime/fablo.h"

namespace runtime_hooks {
namespace {
TFablo& fx(CZelk* z) { return *z->getEffect(); }
}  // namespace

void setup(CZelk* z) {
  TFablo& e = fx(z);
  z->setNumInputs(e.ioChannels);
  z->setNumOutputs(e.ioChannels);
  z->setUniqueID(e.uniqueId);
  if (!z->getEditor()) new CZelkEditor(z, TFablo::kEditorWidth, TFablo::kEditorHeight);  // owned by z
  z->programsAreChunks();
}

// The sections run under the instance's lock (plugin/shared/effect_core.h).
void destroyEffect(CZelk* z) { delete z->getEffect(); }
void open(CZelk* z) { z->core().open(); }
void suspend(CZelk* z) { z->core().suspend(); }
void resume(CZelk* z) { z->core().resume(); }
void editorIdle(CZelk* z) { z->core().idle(); }
void close(CZelk* z) { z->core().close(); }
void draw(CZelk* z, double, double) { z->core().draw(); }
void mouseDown(CZelk* z, double x, double y, int32_t buttons) { z->core().mouseDown(x, y, buttons); }
void mouseUp(CZelk* z, double x, double y, int32_t) { z->core().mouseUp(x, y); }
void mouseMoved(CZelk* z, double x, double y, int32_t) { z->core().mouseMoved(x, y); }

int32_t getVendorVersion(CZelk* z) { return fx(z).vendorVersion; }
bool getVendorString(CZelk* z, char* text) {
  copyText(text, fx(z).vendorName, kVstMaxVendorStrLen);
  return true;
}
bool getProductString(CZelk* z, char* text) {
  copyText(text, fx(z).productName, kVstMaxProductStrLen);
  return true;
}
bool getEffectName(CZelk* z, char* text) {
  copyText(text, fx(z).effectName, kVstMaxEffectNameLen);
  return true;
}
void getProgramName(CZelk* z, char* text) { copyText(text, fx(z).programName, kVstMaxProgNameLen); }
void setProgramName(CZelk* z, const char* text) { fx(z).programName = boundedText(text, kVstMaxProgNameLen); }
bool getProgramNameIndexed(CZelk*, int32_t, int32_t, char*) { return false; }

int32_t getChunk(CZelk* z, void** data, bool) {
  const uint32_t size = z->core().saveState(data);
  return size > INT32_MAX ? 0 : static_cast<int32_t>(size);
}
int32_t setChunk(CZelk* z, void* data, int32_t byteSize, bool) {
  return z->core().restoreState(data, byteSize);
}

}  // namespace runtime_hooks
