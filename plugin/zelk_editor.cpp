#include "plugin/zelk_editor.h"

#include "plugin/zelk.h"

CZelkEditor::CZelkEditor(CZelk* plugin, int32_t width, int32_t height)
    : AEffEditor(plugin),
      rect_{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)},
      plugin_(plugin),
      width_(width),
      height_(height) {}

bool CZelkEditor::open(void* parent) {
  // A window can only be made inside a parent the host gives.
  systemWindow = parent;
  return parent != nullptr;
}

void CZelkEditor::close() { systemWindow = nullptr; }

void CZelkEditor::idle() {}
