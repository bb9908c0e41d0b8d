// Lifecycle, editor, text and chunk entries of the effect runtime's hook table.
#include "plugin/runtime_hooks.h"

#include <algorithm>

#include "plugin/text_copy.h"
#include "plugin/zelk.h"
#include "plugin/zelk_editor.h"
#include "runtime/fablo.h"

namespace runtime_hooks {
namespace {
TFablo& fx(CZelk* z) { return *z->getEffect(); }
// For the sections the dispatcher and the editor run; see CZelk::sectionLock.
using Section = std::lock_guard<std::recursive_mutex>;
}  // namespace

void setup(CZelk* z) {
  TFablo& e = fx(z);
  z->setNumInputs(e.ioChannels);
  z->setNumOutputs(e.ioChannels);
  z->setUniqueID(e.uniqueId);
  if (!z->getEditor()) new CZelkEditor(z, TFablo::kEditorWidth, TFablo::kEditorHeight);  // owned by z
  z->programsAreChunks();
}

void destroyEffect(CZelk* z) { delete z->getEffect(); }
void open(CZelk* z) {
  Section section(z->sectionLock());
  fx(z).reset();
}
void suspend(CZelk* z) {
  Section section(z->sectionLock());
  fx(z).onSuspend();
}
void resume(CZelk* z) {
  Section section(z->sectionLock());
  fx(z).resume();
}
void editorIdle(CZelk* z) {
  Section section(z->sectionLock());
  fx(z).idle();
}
void close(CZelk* z) {
  Section section(z->sectionLock());
  fx(z).onClose();
}
void draw(CZelk* z, double, double) {
  Section section(z->sectionLock());
  fx(z).onGraphics();
}

namespace {
// Any mouse activity brings repaints back to at least 30 a second.
void mouseAt(TFablo& e, double x, double y) {
  e.mouseXSlot = x;
  e.mouseYSlot = y;
  e.redrawRate = std::max(e.redrawRate, 30.0);
}
}  // namespace

void mouseDown(CZelk* z, double x, double y, int32_t buttons) {
  Section section(z->sectionLock());
  fx(z).mouseButtonsSlot = CFabloMouse::mouseBitsFromButtons(buttons);
  mouseAt(fx(z), x, y);
}
void mouseUp(CZelk* z, double x, double y, int32_t) {
  Section section(z->sectionLock());
  fx(z).mouseButtonsSlot = 0;
  mouseAt(fx(z), x, y);
}
void mouseMoved(CZelk* z, double x, double y, int32_t) {
  Section section(z->sectionLock());
  mouseAt(fx(z), x, y);
}

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
  Section section(z->sectionLock());
  const uint32_t size = fx(z).getChunk(data);
  return size > INT32_MAX ? 0 : static_cast<int32_t>(size);
}
int32_t setChunk(CZelk* z, void* data, int32_t byteSize, bool) {
  Section section(z->sectionLock());
  return fx(z).setChunk(data, byteSize);
}

}  // namespace runtime_hooks
