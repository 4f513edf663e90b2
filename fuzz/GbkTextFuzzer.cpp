// The GBK conversion both ways on any bytes: names and values from modules
// and CFG.ini arrive as GBK, texts typed into the panel leave as GBK.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/GbkText.h"
#include "fuzz/FuzzSupport.h"

using lumiq::fuzz::IsValidUtf8;
using lumiq::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string utf8 = lumiq::GbkToUtf8(bytes);
    Require(IsValidUtf8(utf8), "a module's text always reads as valid UTF-8");
    // Text that came from GBK whole, with nothing replaced, goes back to the
    // same bytes: a name read and written again is not changed.
    if (utf8.find("\xEF\xBF\xBD") == std::string::npos) {
        Require(lumiq::Utf8ToGbk(utf8) == bytes, "GBK read as UTF-8 writes back unchanged");
    }

    const std::size_t whole = lumiq::GbkWholeCharactersLength(bytes);
    Require(whole <= bytes.size() && whole + 1 >= bytes.size(),
            "a cut at whole characters drops at most one byte");

    // The same bytes as typed text: what is sent to a module is GBK that
    // reads back without a replaced character, whatever was typed.
    const std::string sent = lumiq::Utf8ToGbk(bytes);
    Require(lumiq::GbkToUtf8(sent).find("\xEF\xBF\xBD") == std::string::npos,
            "typed text becomes well-formed GBK");
    return 0;
}
