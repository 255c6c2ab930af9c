#include "LanguageFit.h"

#include <windows.h>

#include "DialogMeasure.h"
#include "LanguageTexts.h"
#include "core/BoundedString.h"

std::string FindMisfits(const std::vector<uint8_t>& dialogTemplate, size_t itemCount, const std::vector<int>& items,
                        const std::string& displayName, unsigned codePage, std::vector<Misfit>& misfits) {
  if (items.empty()) return "";
  HiddenDialog dialog(GetModuleHandleA(nullptr), dialogTemplate.data());  // a vector's bytes start 32-bit aligned
  if (dialog.get() == nullptr) return dialog.problem();
  // The controls in the template's order, which is their order on the dialog.
  std::vector<HWND> controls;
  for (HWND child = GetWindow(dialog.get(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    controls.push_back(child);
  if (controls.size() != itemCount) return "its controls cannot be told apart";
  for (int item : items) {
    HWND control = controls[static_cast<size_t>(item)];
    if (!IsMeasurableControl(control)) continue;
    TextMeasure measure(control, codePage);
    std::string text = measure.text();
    const bool named = Placeholders(text) == std::vector<std::string>{"%s"};
    if (named) {
      char formatted[1000] = {};
      FormatCut(formatted, text.c_str(), displayName.c_str());
      text = formatted;
    }
    LONG needed = measure.Needed(text);
    if (needed <= measure.Room()) continue;
    LONG line = measure.LineHeight();
    misfits.push_back({item, text,
                       measure.multiline()
                           ? "takes " + std::to_string((needed + line - 1) / line) + " lines where the control shows " +
                                 std::to_string(measure.Room() / line)
                           : "is " + std::to_string(needed) + " pixels wide where the control has " +
                                 std::to_string(measure.Room()),
                       named});
  }
  return "";
}

std::string DescribeRooms(const std::vector<uint8_t>& dialogTemplate, size_t itemCount,
                          std::vector<std::string>& rooms) {
  rooms.assign(itemCount, "");
  HiddenDialog dialog(GetModuleHandleA(nullptr), dialogTemplate.data());
  if (dialog.get() == nullptr) return dialog.problem();
  size_t item = 0;
  for (HWND child = GetWindow(dialog.get(), GW_CHILD); child != nullptr && item < itemCount;
       child = GetWindow(child, GW_HWNDNEXT), item++) {
    if (!IsMeasurableControl(child)) continue;
    TextMeasure measure(child, CP_ACP);
    const std::string pixels = std::to_string(measure.Room()) + " pixels";
    char name[16] = {};
    GetClassNameA(child, name, sizeof(name));
    if (lstrcmpiA(name, "Button") == 0)
      rooms[item] = "A button: its text may take " + pixels + ".";
    else if (measure.multiline())
      rooms[item] = "Room for " + std::to_string(measure.Room() / measure.LineHeight()) + " lines of " +
                    std::to_string(measure.Width()) + " pixels.";
    else
      rooms[item] = "Room for " + pixels + ", on one line.";
  }
  return "";
}
