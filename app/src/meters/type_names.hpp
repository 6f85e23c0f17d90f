// Meter type names are kept as the bytes of type.txt; this turns them into text to show.
#pragma once

#include <QString>
#include <string>

// The name decoded as UTF-8 when it is valid UTF-8, else as GB18030 (a superset of the GBK the
// original platform writes).
QString ShowTypeName(const std::string& name);
