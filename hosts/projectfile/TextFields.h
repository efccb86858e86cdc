#pragma once

// The plan's task text fields by their field identifier, as a custom field definition names them.

#include <string>
#include <vector>

namespace zelvant {

class TextFields {
public:
    // Identifiers of Text1-Text30 and Enterprise-Text1-Enterprise-Text40.
    static const std::vector<int>& ids();
    // "Text29" for 188744015; "" for an identifier that is not a task text field.
    static std::string name(int fieldId);
};

} // namespace zelvant
