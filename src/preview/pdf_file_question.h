// Connects the "PDF file" printer's file-name question to the dialog
// service, so it asks like every other file dialog of the program.
#pragma once

namespace qv {

void InstallPdfFileQuestion();

}  // namespace qv
