// The built-in texts of the main window's text store `main_ts`.
#pragma once

#include <QStringList>

inline constexpr int kMainDlgTextCount = 78;
// The 78 built-in (English) texts of `main_ts`, position 0 first.
const QStringList& MainDlgBuiltInTexts();
