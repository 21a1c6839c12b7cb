#pragma once

#include "convert/conversion_result.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/shell.h"

#include <string>

namespace qm {

// Tells the user what a conversion did, as the window does: the PDF writer's result in its message box
// ("Congratulation" with the number of pages, "\rNo files existing!", "\rAborted!" with the cause) or how
// many JPEG files were written where, then an error box with what went wrong (the error that ended the command,
// or the chapters without a page). The last box ends the conversion: besides Close it offers to open what was
// written (Open) and its folder (Show in folder). A cancelled conversion says so, and whether nothing was
// written; quietly cancelled (the program is closing), it shows nothing. Converting with no book open says
// there is nothing to convert.
void ReportConversion(const ConversionResult& result, Dialogs& dialogs, Shell& shell);

// The chapters without a page, one line each ("row 3 "Title": reason"), a few named and the rest counted, so
// that a fault that hits every chapter keeps the box readable. Lines are separated by "\r".
std::string MissingChaptersText(const ConversionResult& result);

} // namespace qm
