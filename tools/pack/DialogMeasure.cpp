#include "DialogMeasure.h"

#include "ErrorText.h"

namespace {

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string ClassOf(HWND control) {
  char name[64] = {};
  GetClassNameA(control, name, sizeof(name));
  return name;
}

}  // namespace

HiddenDialog::HiddenDialog(HMODULE module, const void* dialogTemplate) {
  m_window = CreateDialogIndirectParamA(module, static_cast<LPCDLGTEMPLATEA>(dialogTemplate), nullptr, NoHandling, 0);
  if (m_window == nullptr) m_problem = SystemMessage(GetLastError()) + "; is there a display?";
}

HiddenDialog::~HiddenDialog() {
  if (m_window != nullptr) DestroyWindow(m_window);
}

bool IsMeasurableControl(HWND control) {
  LONG style = GetWindowLongA(control, GWL_STYLE);
  std::string name = ClassOf(control);
  if (lstrcmpiA(name.c_str(), "Static") == 0) {
    LONG type = style & SS_TYPEMASK;
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
  }
  if (lstrcmpiA(name.c_str(), "Button") == 0) {
    LONG type = style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
  }
  return false;
}

TextMeasure::TextMeasure(HWND control) : m_control(control), m_dc(GetDC(control)) {
  GetClientRect(control, &m_client);
  char text[4096] = {};
  GetWindowTextA(control, text, sizeof(text));
  m_text = text;
  m_old = SelectObject(m_dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(m_dc, &metrics);
  m_lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
  LONG style = GetWindowLongA(control, GWL_STYLE);
  const bool button = lstrcmpiA(ClassOf(control).c_str(), "Button") == 0;
  const LONG type = style & SS_TYPEMASK;
  m_multiline = !button && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP;
  // A push button draws its text inside its frame and the focus rectangle.
  if (button) m_margin = 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
  // As a static control draws its text.
  m_flags = DT_CALCRECT | DT_EXPANDTABS | (m_multiline ? DT_WORDBREAK : DT_SINGLELINE) |
            (!button && (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
}

TextMeasure::~TextMeasure() {
  SelectObject(m_dc, m_old);
  ReleaseDC(m_control, m_dc);
}

LONG TextMeasure::Needed(const std::string& text) const {
  RECT rect = {0, 0, m_multiline ? m_client.right : 0, 0};
  DrawTextA(m_dc, text.c_str(), -1, &rect, m_flags);
  return m_multiline ? rect.bottom : rect.right;
}
