#pragma once
// The status questions of the ports that print over IPP, off the watch's thread: each is
// an HTTP request (Get-Printer-Attributes) that WinHTTP answers only when it ends, within
// its bounded times (IppStatus.h). A printer slow to answer holds up only the questions
// behind it on its thread.
#include <string>

#include "OffThreadAnswers.h"
#include "StatusQuery.h"

struct IppQuestion {
  std::string uri;
  std::string pinned;  // the certificate trusted for an ipps:// printer; "": none yet
};

PrinterState AskIppPrinter(const IppQuestion& question);

using IppQuestions = OffThreadAnswers<IppQuestion, PrinterState, AskIppPrinter, 4>;
