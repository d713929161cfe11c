// Text widths for the notation layout. The layout itself knows no fonts: it
// names one of the control's fonts and asks a measure for the width of one
// character in it. The widget measures with its real fonts; the command line
// and the tests count characters.
#pragma once

#include <cstdint>
#include <string_view>

// The fonts of the notation control. Var0Bold is the bold copy of Font0Var
// used for the main line when it has alternatives; Quiet, a smaller copy of
// FontComment, shows the clocks and evaluations read from comments.
enum class TNotationFont : uint8_t { HeadLine, Comment, Var0, Var0Bold, Var1, Var2, Quiet };

// The property name of a font: "FontHeadLine", "FontComment", "Font0Var",
// "Font0VarBold", "Font1Var", "Font2Var", "FontQuiet".
std::string_view FontPropertyName(TNotationFont font);

class TTextMeasure {
public:
    virtual ~TTextMeasure() = default;
    // Width of one shown character (a code point, see shown_text.h) in `font`.
    virtual int CharWidth(TNotationFont font, char32_t c) const = 0;
};

// One unit per character: rows measured in characters.
class TUnitMeasure final : public TTextMeasure {
public:
    int CharWidth(TNotationFont, char32_t) const override { return 1; }
};
