// The two forms of `veskaro-cli report`: a table for people, one JSON document for
// scripts.
#pragma once

#include <string>

#include "app/report.h"

namespace veskaro::cli {

/// The report as text: the installation, then one block per entry (its fields,
/// its files, the files not found), then a summary line. Texts of the
/// installation are written as their bytes (code page 1252), like every other
/// command writes its rows.
std::string ReportText(const app::Report& report);

/// The report as one JSON document (its shape is in README.md), texts converted
/// from code page 1252 to UTF-8 (bytes the page leaves undefined become the
/// control characters of the same number, as Windows converts them).
std::string ReportJson(const app::Report& report);

}  // namespace veskaro::cli
