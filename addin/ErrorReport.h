#pragma once

#include "services/Messages.h"

#include <cstdint>
#include <exception>
#include <string>

namespace zelvant {

// Where the user is asked to send the error report.
inline constexpr const char* kSupportAddress = "support@zelvant.example";

// The text of the error report: the error's number and description and whom to tell.
std::string addInErrText(std::int32_t number, const std::string& description);

// Shows the error report as a warning with the application's title. Nothing is sent anywhere.
void AddInErr(MessageSink& messages, std::int32_t number, const std::string& description);

// Shows the error report for a caught failure, with its number and message.
void AddInErr(MessageSink& messages, const std::exception& error);

} // namespace zelvant
