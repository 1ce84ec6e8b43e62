#include "numbering/comp_stream.h"

#include "numbering/prod_sn.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

std::string asIniValue(std::string text) {
    for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, ";");
    return text;
}

class CompStreamTest : public ::testing::Test {
protected:
    VirtualClock clock;
    ComponentContext ctx{clock, nullptr};
};

TEST_F(CompStreamTest, StoredExamplesAreByteExact) {
    TProdSN sn(clock);
    EXPECT_EQ("RXSNINFO=" + asIniValue(ComponentToText(sn)),
              "RXSNINFO=object TProdSN;  IsSN = False;  IsDate = True;  FixSNByteCount = 2;  "
              "IncSNByteCount = 2;  IncPrevSN = -1;  IsFixAscii = True;end;");

    TProdRFID id;
    id.setIsRandom(false);
    id.setIncInitRFID(0x123456);
    EXPECT_EQ("RXRFIDINFO=" + asIniValue(ComponentToText(id)),
              "RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;  "
              "IncPrevRFID = 1193045;  IncCurrentRFID = 0;end;");
}

TEST_F(CompStreamTest, ReadingAppliesLinesInOrderThroughTheWriteRules) {
    auto sn = TextToComponent("object TProdSN\r\n  IsSN = True\r\n  IsDate = True\r\n  FixSNByteCount = 1\r\n"
                              "  IncSNByteCount = 3\r\n  IncInitSN = 16\r\n  IncPrevSN = 15\r\n"
                              "  IncCurrentSN = 4\r\n  IsFixAscii = False\r\nend\r\n", ctx);
    auto& s = dynamic_cast<TProdSN&>(*sn);
    EXPECT_EQ(s.IncPrevSN(), 4);
    EXPECT_EQ(s.IncInitSN(), 16);
    EXPECT_EQ(s.FixSNByteCount(), 1);
    EXPECT_EQ(s.IncSNByteCount(), 3);
    EXPECT_FALSE(s.IsFixAscii());

    auto rf = TextToComponent("object TProdRFID\r\n  IsRandom = False\r\n  IncInitRFID = 500\r\n"
                              "  IncPrevRFID = 499\r\n  IncCurrentRFID = 100\r\nend\r\n", ctx);
    EXPECT_EQ(dynamic_cast<TProdRFID&>(*rf).IncPrevRFID(), 100);

    // The zero object, not the constructor: no line, no default.
    auto blank = TextToComponent("object TProdSN\r\nend\r\n", ctx);
    EXPECT_FALSE(dynamic_cast<TProdSN&>(*blank).IsDate());
    EXPECT_EQ(dynamic_cast<TProdSN&>(*blank).IncPrevSN(), 0);
    // A value the write rules refuse is not an error.
    auto refused = TextToComponent("object TProdSN\r\n  FixSNByteCount = 9\r\nend\r\n", ctx);
    EXPECT_EQ(dynamic_cast<TProdSN&>(*refused).FixSNByteCount(), 0);
}

TEST_F(CompStreamTest, RoundTripKeepsEveryStoredProperty) {
    TProdSN sn(clock);
    sn.setIsSN(true);
    sn.setIsDate(false);
    sn.setFixSNByteCount(3);
    sn.setFixSN(0x414243);
    sn.setIncInitSN(5);
    sn.setIncCurrentSN(9);
    const std::string text = ComponentToText(sn);
    EXPECT_EQ(ComponentToText(*TextToComponent(text, ctx)), text);
}

TEST_F(CompStreamTest, MalformedTextIsAnError) {
    const char* bad[] = {
        "",
        "object TProdThing\r\nend\r\n",
        "object TProdSN\r\n  IsSN = True\r\n",                     // truncated, no end
        "object TProdSN\r\n  IsSN = True\r\nen",                   // cut inside a line
        "object TProdSN\r\n  IncNextSN = 5\r\nend\r\n",             // read-only, never stored
        "object TProdSN\r\n  Colour = 5\r\nend\r\n",
        "object TProdSN\r\n  IsSN = Maybe\r\nend\r\n",
        "object TProdSN\r\n  FixSNByteCount = 2x\r\nend\r\n",
        "object TProdSN\r\n  FixSNByteCount = 4294967296\r\nend\r\n",   // not 32-bit
        "object TProdSN\r\n  FixSN = 99999999999999999999\r\nend\r\n",
        "object TProdSN\r\n  FixSN =\r\nend\r\n",
        "object TProdRFID\r\n  IsSN = True\r\nend\r\n",             // property of the other class
        "object TProdSN\r\nend\r\nobject TProdSN\r\n",
        "\x01\xff\x00garbage\n",
    };
    for (const char* text : bad)
        EXPECT_THROW(TextToComponent(text, ctx), ComponentTextError) << text;
    EXPECT_THROW(TextToComponent(std::string("object TProdSN\r\n\0\r\nend\r\n", 21), ctx), ComponentTextError);
}

} // namespace
} // namespace kestrelon
