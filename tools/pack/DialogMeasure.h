// A dialog template created hidden, as the engine would show it, and its controls' texts measured
// in their own fonts and sizes as the user's screen has them: the Welcome fit of a display name
// and the fit of a language's texts are judged the same way. Texts are UTF-8, and are measured in
// the character set of the language's code page, as on the language's own Windows, whatever the
// code page of the Windows that measures them.
#pragma once
#include <windows.h>

#include <string>

// The dialog, created without WS_VISIBLE (nothing shows) and destroyed with the owner. Its texts
// stay in UTF-16, as the template holds them.
class HiddenDialog {
 public:
  HiddenDialog(HMODULE module, const void* dialogTemplate);
  ~HiddenDialog();
  HiddenDialog(const HiddenDialog&) = delete;
  HiddenDialog& operator=(const HiddenDialog&) = delete;
  HWND get() const { return m_window; }
  // Why it could not be created, when get() is null.
  std::string problem() const { return m_problem; }

 private:
  HWND m_window = nullptr;
  std::string m_problem;
};

// One control's room and how much of it a text takes, as the control draws its text: a static
// breaks its words over lines, a button and a single-line static keep one line.
class TextMeasure {
 public:
  // `codePage`: the ANSI code page of the language whose words the control shows.
  TextMeasure(HWND control, UINT codePage);
  ~TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  // The control's own text, as the template gives it, in UTF-8.
  const std::string& text() const { return m_text; }
  bool multiline() const { return m_multiline; }
  // The height a text (UTF-8) takes at the control's width (several lines), or the width it takes
  // (one line).
  LONG Needed(const std::string& text) const;
  // The control's room: its height or its width.
  LONG Room() const { return m_multiline ? m_client.bottom : m_client.right - m_margin; }
  LONG LineHeight() const { return m_lineHeight; }
  // The width a line of the control's text has.
  LONG Width() const { return m_client.right - m_margin; }

 private:
  HWND m_control;
  HDC m_dc;
  HFONT m_font = nullptr;  // the control's font in the language's character set
  HGDIOBJ m_old = nullptr;
  RECT m_client = {};
  std::string m_text;
  LONG m_lineHeight = 1;
  LONG m_margin = 0;
  UINT m_flags = 0;
  bool m_multiline = true;
};

// Whether the control shows a text it is given: a static that shows words, or a push button.
bool IsMeasurableControl(HWND control);
