#pragma once

#include <QString>

namespace lumaril::contact {

// The program's own contact addresses, in this one place. It has no public site yet, so both
// live under the reserved example.org domain.
inline const QString email = QStringLiteral("lumaril@example.org");
inline const QString website = QStringLiteral("https://lumaril.example.org/");

} // namespace lumaril::contact
