// The shared message services that need no window: error codes to texts, filling the string
// table's "%d"/"%s" texts, text replacement, size texts, dialog centring and greyed colours.
// Portable: texts of the string table come in through a loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quill {

// The string table's text with this id ("" when there is none); LoadText on Win32.
using TTextLoader = std::function<std::string(int id)>;

// The loader's text, or "" when there is no loader.
std::string TextOf(const TTextLoader& loader, int id);

constexpr int kTextErrorGeneric = 267;
constexpr int kTextProcessRest = 511;
constexpr int kTextError = 512;

// The string id of a Win32 error code's message; kTextErrorGeneric for codes without one.
int ErrorTextId(uint32_t code);

// The message of a Win32 error code; the generic one carries the code in decimal. Never empty:
// without a table text the code itself is the message.
std::string ErrorText(uint32_t code, const TTextLoader& loader);

// The message of an error that a multi-item operation can go on after: the error text, an
// empty line and the question whether to process the rest.
std::string ErrorQuestionText(uint32_t code, const TTextLoader& loader);

// Fills the string table's printf-style texts: each "%d", "%s" or "%c" takes the next argument
// as it stands, "%%" becomes "%". Anything else after "%" is kept, and placeholders beyond the
// arguments become empty, so a text from the table can never read past what was given.
std::string FillText(std::string_view format, std::initializer_list<std::string_view> args);

// Every occurrence of `pattern`, left to right; inserted text is not searched again. An empty
// pattern changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

// A volume size typed or picked by the user: "1440 KB" is 1,440,000, "5 MB" 5,000,000 (decimal
// multipliers, taken from "MB" or "KB" anywhere in the text, case ignored). The number is the
// text up to the first blank or letter and must be a decimal integer. 0 when it is not, when it
// is negative, or when the product does not fit.
int64_t ParseSize(std::string_view text);

struct TDialogOrigin {
  int left = 0;
  int top = 0;
  bool operator==(const TDialogOrigin&) const = default;
};

// The top-left corner that puts a dialog's centre on its owner's centre (each half truncated
// toward zero).
TDialogOrigin CenterOver(int ownerLeft, int ownerTop, int ownerWidth, int ownerHeight, int width, int height);

// The grey level a colour is drawn with on a disabled button: largest component minus half the
// spread, plus 30, at most 255.
uint8_t GreyColor(uint8_t r, uint8_t g, uint8_t b);

// Greys 32-bit pixels in place, keeping the top byte; pixels equal to `transparent` are left as
// they are. The channel order does not matter: the rule is symmetric in the three components.
void GreyPixels(uint32_t* pixels, size_t count, uint32_t transparent);

}  // namespace quill
