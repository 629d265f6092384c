#pragma once

#include <windows.h>

#include <vector>

#include "app/view/DialogTemplates.h"

namespace EvarixView::Windows {

// The template as the in-memory dialog template CreateDialogIndirectParamW takes: a modal frame
// with caption and system menu, the template's font and size in dialog units, and its native
// controls. Icon and picture controls are made empty; their images are set once they exist.
// extraStyle is added to the dialog's own style.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog, DWORD extraStyle);

}  // namespace EvarixView::Windows
