#include "ArgumentVector.h"

#include <cstdlib>
#include <cstring>

namespace setup {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Copies the argument that starts at *in to out with its terminator and
// moves *in past it.
char* CopyArgument(const char** in, char* out)
{
    const char* s = *in;
    if (*s == '"') {
        *out++ = *s++;
        while (*s && *s != '"') *out++ = *s++;
        if (*s == '"') *out++ = *s++;
    } else {
        bool quoted = false;
        while (*s && (quoted || !IsBlank(*s))) {
            if (*s == '"') quoted = !quoted;
            *out++ = *s++;
        }
    }
    *out++ = '\0';
    *in = s;
    return out;
}

}  // namespace

ArgumentVector::~ArgumentVector()
{
    std::free(arguments_);
    std::free(text_);
}

bool ArgumentVector::Split(const char* commandLine, const char* programPath)
{
    size_t lineLength = std::strlen(commandLine);
    size_t pathLength = std::strlen(programPath);
    // An argument takes at least one character and one separator; each gets a
    // terminator of its own, which an argument ending at a closing quote has
    // no room for in place.
    size_t maxArguments = lineLength / 2 + 2;
    arguments_ = static_cast<char**>(std::calloc(maxArguments, sizeof(char*)));
    text_ = static_cast<char*>(std::calloc(pathLength + 1 + 2 * (lineLength + 1), 1));
    if (!arguments_ || !text_) return false;

    std::memcpy(text_, programPath, pathLength + 1);
    arguments_[0] = text_;
    count_ = 1;
    char* out = text_ + pathLength + 1;
    const char* in = commandLine;
    bool programName = true;
    for (;;) {
        while (IsBlank(*in)) ++in;
        if (!*in) break;
        char* argument = out;
        out = CopyArgument(&in, out);
        if (programName) {
            programName = false;
            out = argument;
            continue;
        }
        arguments_[count_++] = argument;
    }
    return true;
}

}  // namespace setup
