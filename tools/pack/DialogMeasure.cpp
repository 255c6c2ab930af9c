#include "DialogMeasure.h"

#include "ErrorText.h"
#include "Utf8Text.h"

namespace {

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string ClassOf(HWND control) {
  char name[64] = {};
  GetClassNameA(control, name, sizeof(name));
  return name;
}

}  // namespace

HiddenDialog::HiddenDialog(HMODULE module, const void* dialogTemplate) {
  m_window = CreateDialogIndirectParamW(module, static_cast<LPCDLGTEMPLATEW>(dialogTemplate), nullptr, NoHandling, 0);
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

TextMeasure::TextMeasure(HWND control, UINT codePage) : m_control(control), m_dc(GetDC(control)) {
  GetClientRect(control, &m_client);
  wchar_t text[4096] = {};
  int length = GetWindowTextW(control, text, 4096);
  m_text = WideToUtf8(text, static_cast<size_t>(length > 0 ? length : 0));
  // The dialog's font as the language's own Windows makes it: in the character set of its code
  // page, where this Windows would take its own.
  LOGFONTW font = {};
  CHARSETINFO charset = {};
  HGDIOBJ dialogFont = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (dialogFont != nullptr && GetObjectW(dialogFont, sizeof(font), &font) != 0 &&
      TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<ULONG_PTR>(codePage)), &charset, TCI_SRCCODEPAGE)) {
    font.lfCharSet = static_cast<BYTE>(charset.ciCharset);
    m_font = CreateFontIndirectW(&font);
  }
  m_old = SelectObject(m_dc, m_font != nullptr ? m_font : dialogFont);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(m_dc, &metrics);
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
  if (m_font != nullptr) DeleteObject(m_font);
  ReleaseDC(m_control, m_dc);
}

LONG TextMeasure::Needed(const std::string& text) const {
  RECT rect = {0, 0, m_multiline ? m_client.right : 0, 0};
  std::wstring wide = Utf8ToWide(text);
  DrawTextW(m_dc, wide.c_str(), static_cast<int>(wide.size()), &rect, m_flags);
  return m_multiline ? rect.bottom : rect.right;
}
