#include "hosts/GbkText.h"
#include "hosts/HostsEdit.h"
#include "optimize/RouteTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

const std::string kPortal = "192.0.2.20  tirox.example\r\n";
const std::string kGame = "192.0.2.20  ddz.tirox.example\r\n";

CRouteTable TwoHostTable()
{
    CRouteTable table;
    table.AddTail({"192.0.2.20", "tirox.example"});
    table.AddTail({"192.0.2.20", "ddz.tirox.example"});
    return table;
}

struct EditCase {
    const char* name;
    std::string input;
    std::string expected;
};

std::string Normalised(const std::string& text)
{
    return EditHostsText(text, CRouteTable(), false);
}

} // namespace

TEST(HostsEdit, ApplyReplacesInsertsOrAppendsByTheFirstLineNamingEachHost)
{
    const std::vector<EditCase> cases = {
        {"empty file gets the table", "", kPortal + kGame},
        {"other host keeps its line, two spaces instead of seven",
         "10.0.0.1       other.example\n", "10.0.0.1  other.example\r\n" + kPortal + kGame},
        {"address replaced in place, no second line",
         "127.0.0.1 localhost\n10.0.0.1 tirox.example\n# end\n",
         "127.0.0.1  localhost\r\n" + kPortal + "# end\r\n" + kGame},
        {"only the first of two lines changes",
         "10.0.0.1 tirox.example\n10.0.0.2   tirox.example\n",
         kPortal + "10.0.0.2  tirox.example\r\n" + kGame},
        {"remark and tab kept after the new address", "10.0.0.1\ttirox.example   # mine\n",
         "192.0.2.20  tirox.example   # mine\r\n" + kGame},
        {"case ignored, the line's spelling kept", "10.0.0.1 TIROX.Example\n",
         "192.0.2.20  TIROX.Example\r\n" + kGame},
        {"same host twice on its line is still alone", "10.0.0.1 tirox.example TIROX.EXAMPLE\n",
         "192.0.2.20  tirox.example TIROX.EXAMPLE\r\n" + kGame},
        {"line with an alias: new line inserted before it",
         "10.0.0.1\ttirox.example alias.example\n",
         kPortal + "10.0.0.1  tirox.example alias.example\r\n" + kGame},
        {"the first line naming the host decides: a later line naming it alone is left",
         "10.0.0.1 tirox.example alias.example\n10.0.0.2 tirox.example\n",
         kPortal + "10.0.0.1  tirox.example alias.example\r\n10.0.0.2  tirox.example\r\n" + kGame},
        {"both route hosts on one line: both inserted before it, in table order",
         "# top\n10.0.0.1 tirox.example ddz.tirox.example\n",
         "# top\r\n" + kPortal + kGame + "10.0.0.1  tirox.example ddz.tirox.example\r\n"},
        {"a remark names no host", "10.0.0.1 #tirox.example\n",
         "10.0.0.1  #tirox.example\r\n" + kPortal + kGame},
        {"a vertical tab or form feed ending the line is white space",
         "10.0.0.1 tirox.example\v\n10.0.0.2 ddz.tirox.example\f\n", kPortal + kGame},
        {"a name that merely contains # is another name", "10.0.0.1 tirox.example#x\n",
         "10.0.0.1  tirox.example#x\r\n" + kPortal + kGame},
        {"comment, blank and single-word lines, CR LF, lone CR, no final LF",
         "   # indented  \r\n\t\r\n localhost \nabc\rdef 1.2.3.4\n10.0.0.9 last.example",
         "# indented  \r\n\r\nlocalhost\r\nabc  def 1.2.3.4\r\n10.0.0.9  last.example\r\n" + kPortal
             + kGame},
        {"a line of 100,000 bytes survives whole", "10.0.0.1 " + std::string(100000, 'a') + "\n",
         "10.0.0.1  " + std::string(100000, 'a') + "\r\n" + kPortal + kGame},
        {"NUL, 0x1A and GBK bytes survive",
         "# \xd6\xd0\xce\xc4\n10.0.0.1 a\0b.example\x1a\n"s,
         "# \xd6\xd0\xce\xc4\r\n10.0.0.1  a\0b.example\x1a\r\n"s + kPortal + kGame},
    };
    for (const EditCase& c : cases)
        EXPECT_EQ(EditHostsText(c.input, TwoHostTable(), false), c.expected) << c.name;
}

TEST(HostsEdit, RestoreRemovesTheFirstLineNamingEachHostAlone)
{
    const std::vector<EditCase> cases = {
        {"empty file stays empty", "", ""},
        {"any address, remark or spelling",
         "10.0.0.1 tirox.example\n127.0.0.1 localhost\n192.0.2.20 DDZ.tirox.example # mine\n",
         "127.0.0.1  localhost\r\n"},
        {"only the first of two lines goes",
         "10.0.0.1 tirox.example\n10.0.0.2   tirox.example\n", "10.0.0.2  tirox.example\r\n"},
        {"a line naming other hosts too is left, and decides",
         "10.0.0.1 tirox.example alias.example\n10.0.0.2 tirox.example\n",
         "10.0.0.1  tirox.example alias.example\r\n10.0.0.2  tirox.example\r\n"},
        {"a remark names no host", "10.0.0.1 #tirox.example\n", "10.0.0.1  #tirox.example\r\n"},
        {"a vertical tab or form feed ending the line is white space",
         "10.0.0.1 tirox.example\f\n127.0.0.1 localhost\n10.0.0.2 ddz.tirox.example\v\n", "127.0.0.1  localhost\r\n"},
    };
    for (const EditCase& c : cases)
        EXPECT_EQ(EditHostsText(c.input, TwoHostTable(), true), c.expected) << c.name;
}

// Only a CR before a line feed or at the end of the file ends a line. Any other CR stays in
// its line and parts fields as white space does, so that no edit glues two fields together.
TEST(HostsEdit, OnlyTheCrEndingALineIsItsLineEnd)
{
    struct CrCase {
        const char* name;
        std::string input;
        bool bRestore;
        std::string expected;
    };
    const std::vector<CrCase> cases = {
        {"CR LF line ends", "127.0.0.1 localhost\r\n10.0.0.1 tirox.example\r\n", false,
         "127.0.0.1  localhost\r\n" + kPortal + kGame},
        {"a CR at the end of the file", "127.0.0.1 localhost\r", false,
         "127.0.0.1  localhost\r\n" + kPortal + kGame},
        {"lone CRs between entries stay in their one line",
         "127.0.0.1 localhost\r10.0.0.1 intranet.example\r# note", true,
         "127.0.0.1  localhost\r10.0.0.1 intranet.example\r# note\r\n"},
        {"a lone CR before a route host's entry: the route line goes before that line",
         "127.0.0.1 localhost\r10.0.0.1 tirox.example\r", false,
         kPortal + "127.0.0.1  localhost\r10.0.0.1 tirox.example\r\n" + kGame},
        {"a CR between address and name is the gap, made two spaces", "10.0.0.1\rother.example\n",
         false, "10.0.0.1  other.example\r\n" + kPortal + kGame},
        {"a CR between address and route host: the host is found", "10.0.0.1\rtirox.example\n",
         false, "192.0.2.20  tirox.example\r\n" + kGame},
        {"a CR and a remark after the route host: the host is found",
         "10.0.0.1 tirox.example\r# mine\n", false,
         "192.0.2.20  tirox.example\r# mine\r\n" + kGame},
        {"a CR and a remark after the route host: restore removes the line",
         "10.0.0.1 tirox.example\r# mine\n127.0.0.1 localhost\n", true, "127.0.0.1  localhost\r\n"},
        {"a CR between the route host and an alias: the route line goes before",
         "10.0.0.1 tirox.example\ralias.example\n", false,
         kPortal + "10.0.0.1  tirox.example\ralias.example\r\n" + kGame},
        {"a CR between two route hosts: restore keeps their line",
         "10.0.0.1 tirox.example\rddz.tirox.example\n", true,
         "10.0.0.1  tirox.example\rddz.tirox.example\r\n"},
        {"a # after a CR begins a remark", "10.0.0.1\r#tirox.example\n", true,
         "10.0.0.1  #tirox.example\r\n"},
        {"a CR inside a comment", "# a\rb\n", true, "# a\rb\r\n"},
        {"CR CR LF after a comment keeps the first CR", "# note\r\r\n", true, "# note\r\r\n"},
        {"CR CR LF after the route host: trailing white space of its line",
         "10.0.0.1 tirox.example\r\r\n", false, "192.0.2.20  tirox.example\r\n" + kGame},
        {"CRs among the white space around the first field",
         "\r 10.0.0.1\r \tother.example \r\r\n", true, "10.0.0.1  other.example\r\n"},
        {"a CR-only file is one blank line", "\r\r\r", true, "\r\n"},
    };
    for (const CrCase& c : cases) {
        EXPECT_EQ(EditHostsText(c.input, TwoHostTable(), c.bRestore), c.expected)
            << c.name << (c.bRestore ? " (restore)" : " (apply)");
    }
}

TEST(HostsEdit, LaterEntriesForTheSameHostSeeTheLinesEarlierOnesPlaced)
{
    CRouteTable table;
    table.AddTail({"192.0.2.20", "tirox.example"});
    table.AddTail({"198.51.100.20", "tirox.example"});
    EXPECT_EQ(EditHostsText("# x\n", table, false), "# x\r\n198.51.100.20  tirox.example\r\n");
    EXPECT_EQ(EditHostsText("1.1.1.1 tirox.example a\n", table, false),
              "198.51.100.20  tirox.example\r\n1.1.1.1  tirox.example a\r\n");
    EXPECT_EQ(EditHostsText("1.1.1.1 tirox.example\n2.2.2.2 tirox.example\n3.3.3.3 TIROX.example\n",
                            table, true),
              "3.3.3.3  TIROX.example\r\n");
}

TEST(HostsEdit, OutputIsStableUnderRepeatedEdits)
{
    CRouteTable tables[3];
    FillRouteTables(tables[0], tables[1], tables[2]);
    const std::vector<std::string> files = {
        "",
        "127.0.0.1 localhost\n",
        "  # comment  \r\n\r\n   \n10.0.0.1\t\tother.example  alias  # remark\nsingle\n\xd6\xd0 \xce\xc4",
        "10.0.0.1 xqi.tirox.example\n10.0.0.2 tirox.example other.example\n# end",
    };
    for (const std::string& file : files) {
        const std::string applied = EditHostsText(file, tables[1], false);
        EXPECT_EQ(EditHostsText(applied, tables[1], false), applied) << "apply twice: " << file;
        EXPECT_EQ(Normalised(applied), applied) << "normal form: " << file;
        const std::string restored = EditHostsText(applied, tables[0], true);
        EXPECT_EQ(EditHostsText(restored, tables[0], true), restored) << "restore twice: " << file;
    }
    // Without route hosts in the file, restore gives back its normalised form.
    const std::string& file = files[2];
    EXPECT_EQ(EditHostsText(EditHostsText(file, tables[2], false), tables[0], true), Normalised(file));
}

TEST(GbkText, CaseIsFoldedOnlyForSingleByteLetters)
{
    struct Case {
        std::string a;
        std::string b;
        bool bEqual;
    };
    const std::vector<Case> cases = {
        {"Tirox.Example", "tirox.example", true},
        {"tirox.example", "tirox.exampl", false},
        {"\xd6\xd0.cn", "\xd6\xd0.CN", true},
        // 0x41 and 0x61 are trail bytes here, not letters, after the lowest and the highest lead.
        {"\x81\x41", "\x81\x61", false},
        {"\x81\x41", "\x81\x41", true},
        {"\xfe\x41", "\xfe\x61", false},
        // A lead byte that ends the text is a byte of its own.
        {"a\x81", "A\x81", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EqualsIgnoreAsciiCase(c.a, c.b), c.bEqual) << c.a << " vs " << c.b;
}

TEST(GbkText, TrimmingKeepsDoubleByteCharacters)
{
    EXPECT_EQ(Trim(" \t\xd6\xd0 \v\f\r\n"), "\xd6\xd0");
    EXPECT_EQ(TrimRight("\x81 "), "\x81");
    EXPECT_EQ(FindBlank("\xd6\xd0\tx"), 2u);
}
