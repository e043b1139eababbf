// The checker's report as the dialog's rich text: the folder and its sound type, the findings
// grouped by cause with errors first (each cause and its advice once, the files it hits
// beneath with what is particular to each), then the files and the limits.
#pragma once

#include "check/AssetCheck.h"

#include <QString>

namespace ws {

QString reportHtml(const check::AssetReport& report);

} // namespace ws
