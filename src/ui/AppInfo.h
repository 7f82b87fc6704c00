#pragma once

#include <QString>

// The short name of the program: the settings store's organisation and
// application, the caption of the port message and the About box's title.
inline const QString kAppTitle = QStringLiteral("TarvikConfig");

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 0;
