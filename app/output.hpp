// The dialogue's console, and how the program writes its texts to it: each
// text of app/texts.hpp with its values filled in (fillText), on standard
// output (print, printLine) or as a line on standard error (printError).
#pragma once

#include <initializer_list>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "app/texts.hpp"
#include "platform/file_write.hpp"

namespace secant {

// Writes a zero-terminated Windows-1251 text to the stream, converted for
// the console, without a line end.
using PrintText = void (*)(std::ostream& out, const char* text);
// Waits for one key press; the result is discarded.
using WaitForKey = int (*)();
// Writes a whole file (the picture), or reports why it could not.
using WriteFile = FileWriteResult (*)(const char* path, std::string_view content);

struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    PrintText printOem;
    WaitForKey waitForKey;
    WriteFile writeFile;
};

// How the bytes of a text given by the user reach the screen. On POSIX the
// terminal reads UTF-8 (as the program writes its own texts there). On
// Windows they are in the console's code page, the one they were typed in
// and are shown in, where every byte but a control character is one.
enum class UserBytes { Utf8, CodePage };
#ifdef _WIN32
inline constexpr UserBytes kUserBytes = UserBytes::CodePage;
#else
inline constexpr UserBytes kUserBytes = UserBytes::Utf8;
#endif

// A text given by the user (a file name, an option, what is left on a line),
// written so that no byte of it can act on the terminal: control characters
// as \n, \t, \r or \xNN (\x1b), and in UTF-8 every byte that is no part of a
// whole, valid sequence as \xNN too (so are the C1 controls U+0080 to
// U+009F, byte by byte).
struct Escaped {
    std::string_view text;
    UserBytes bytes = kUserBytes;
};

std::ostream& operator<<(std::ostream& out, const Escaped& escaped);

// Root names, "x2, x5": the roots whose bit (1 << k) is set.
struct RootNames {
    unsigned roots = 0;
};

std::ostream& operator<<(std::ostream& out, RootNames names);

// One value of a text: another text of the program (converted as texts
// are), or anything the stream inserts as it is (a number, a user's text as
// Escaped, root names). It refers to the value, which must outlive it: pass
// it straight to fillText.
class TextValue {
public:
    // NOLINTNEXTLINE(google-explicit-constructor): a value stands for itself
    TextValue(Text text) : text_(text.zeroTerminated()) {}

    template <class T>
    requires(!std::is_convertible_v<const T&, Text>)
        // NOLINTNEXTLINE(google-explicit-constructor, bugprone-forwarding-reference-overload)
        TextValue(const T& value)
        : value_(&value), insert_(&insertValue<T>) {}

    void write(std::ostream& out, PrintText printText) const;

private:
    template <class T>
    static void insertValue(std::ostream& out, const void* value) {
        out << *static_cast<const T*>(value);
    }

    const char* text_ = nullptr;
    const void* value_ = nullptr;
    void (*insert_)(std::ostream&, const void*) = nullptr;
};

// Writes the text on the stream: its characters through printText (in
// pieces of at most kMaxTextBytes), each "{}" as the next value, each "\n"
// as std::endl. A "{}" left without a value is written as it stands;
// values beyond the placeholders are not written.
void fillText(std::ostream& out, PrintText printText, Text text,
              std::initializer_list<TextValue> values);

// The text with its values in UTF-8, as the picture is written.
std::string utf8Text(Text text, std::initializer_list<TextValue> values);

template <class... Values>
std::string utf8Text(Text text, const Values&... values) {
    return utf8Text(text, {TextValue(values)...});
}

// The text with its values, converted for the console, without a line end:
// on the stream given, or on standard output; printLine ends the line.
template <class... Values>
void printTo(Console& console, std::ostream& stream, Text text, const Values&... values) {
    fillText(stream, console.printOem, text, {TextValue(values)...});
}

template <class... Values>
void print(Console& console, Text text, const Values&... values) {
    printTo(console, console.out, text, values...);
}

template <class... Values>
void printLine(Console& console, Text text, const Values&... values) {
    print(console, text, values...);
    console.out << std::endl;
}

// One line on standard error after everything written to standard output
// so far: standard output is flushed first, and the line ends where it goes.
void flushBeforeError(Console& console);

template <class... Values>
void printError(Console& console, Text text, const Values&... values) {
    flushBeforeError(console);
    printTo(console, console.err, text, values...);
    console.err << std::endl;
}

}  // namespace secant
