#pragma once
// Translates the captions of a window and of everything it owns into a language.
#include <string>

#include "app/ui/form.h"

namespace zeph::translate {

// Makes `language` current when it is not empty, then replaces the window's caption
// and, in ownership order, every owned component's caption by its translation. Each
// caption is written back, changed or not; owned components are not descended into
// (the window owns everything placed on it).
void TranslateForm(ui::Form& window, const std::wstring& language);

}  // namespace zeph::translate
