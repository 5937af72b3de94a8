// The installer's command line split into arguments, in a private copy.
#pragma once

#include <cstddef>

namespace setup {

// Whitespace separates arguments; a double quote starts a run in which it
// does not, and an argument that begins with a quote ends right after its
// closing quote. Quotes stay in the arguments: each switch removes its own,
// and whatever is passed on to the installer keeps them. Entry 0 is the
// program's own full path in place of the name it was started by.
class ArgumentVector {
public:
    ArgumentVector() = default;
    ~ArgumentVector();
    ArgumentVector(const ArgumentVector&) = delete;
    ArgumentVector& operator=(const ArgumentVector&) = delete;

    // False when the copy cannot be allocated.
    bool Split(const char* commandLine, const char* programPath);

    size_t Count() const { return count_; }
    // The argument's text; empty once blanked.
    char* operator[](size_t index) const { return arguments_[index]; }
    // Marks an argument as consumed, so that it is not passed on.
    void Blank(size_t index) { arguments_[index][0] = '\0'; }

private:
    char** arguments_ = nullptr;
    char* text_ = nullptr;
    size_t count_ = 0;
};

}  // namespace setup
