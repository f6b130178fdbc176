#include "IppQuestions.h"

#include "IppStatus.h"

PrinterState AskIppPrinter(const IppQuestion& question) { return QueryIppStatus(question.uri, question.pinned).state; }
