#include "DebugOutputCapture.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

std::vector<std::string>* activeTexts = nullptr;

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the text's length and address; a first-chance
// handler sees it before the function's own handler swallows it.
LONG CALLBACK CaptureDebugString(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode != DBG_PRINTEXCEPTION_C || record.NumberParameters < 2 || !activeTexts)
        return EXCEPTION_CONTINUE_SEARCH;
    const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    size_t length = static_cast<size_t>(record.ExceptionInformation[0]);
    std::string captured(text, length);
    while (!captured.empty() && captured.back() == '\0')
        captured.pop_back();
    activeTexts->push_back(captured);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

DebugOutputCapture::DebugOutputCapture() {
    if (activeTexts)
        ADD_FAILURE() << "only one DebugOutputCapture may be active";
    activeTexts = &texts_;
    handler_ = AddVectoredExceptionHandler(1, CaptureDebugString);
}

DebugOutputCapture::~DebugOutputCapture() {
    RemoveVectoredExceptionHandler(handler_);
    activeTexts = nullptr;
}

} // namespace testsupport
