#pragma once

namespace velmar::ui {

// The service's domain as the screens show it (their headings carry it in capitals).
inline constexpr char16_t kServiceDomain[] = u"velmar-online.ru";

// Seen only where the system names the window: the taskbar button and the task switcher.
inline constexpr char16_t kMainWindowCaption[] = u"Мастер подключения к velmar-online.ru";

inline constexpr int kClientWidth = 800;
inline constexpr int kClientHeight = 600;

}  // namespace velmar::ui
