// The LV2 UI (ui:X11UI): the editor's picture in the host's X11 window, driven by the
// host's idle calls. It reaches the instance through instance-access, so the host must
// run it in the plug-in's process.
#pragma once
#include <lv2/ui/ui.h>

const LV2UI_Descriptor* lv2UiDescriptor();
