#include "app/ui/translate_form.h"

#include "translate/translate.h"

namespace zeph::translate {

void TranslateForm(ui::Form& window, const std::wstring& language) {
  if (!language.empty()) SetCurrentLanguage(language);
  if (window.HasCaption()) window.SetCaption(TranslateText(window.Caption()));
  for (ui::Component* component : window.Components()) {
    if (component->HasCaption()) component->SetCaption(TranslateText(component->Caption()));
  }
}

}  // namespace zeph::translate
