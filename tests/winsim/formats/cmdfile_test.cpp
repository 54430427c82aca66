// The .cmd of a plan's file steps: what cmd.exe would take for its own goes quoted or escaped,
// and what such a file cannot carry exactly refuses the plan, naming the path. (That cmd.exe
// carries the plan out: tools/wine/plan-check.sh.)
#include "tools/winsim/formats/cmdfile.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(CmdFile, CarriesEachPathExactlyOrRefusesThePlan) {
    using C = os::Change;
    const struct {
        C::Kind kind;
        std::string path, detail, line;  // the step's line, or what its refusal says
    } rows[] = {
        {C::kFileCopied, "C:\\a 100% & ^(x)!\\f", "C:\\s", "copy /Y \"C:\\s\" \"C:\\a 100%% & ^(x)!\\f\" >nul\r\nif errorlevel 1 ("},
        {C::kFileDeleted, "\\\\srv\\share\\f", "", "if exist \"\\\\srv\\share\\f\" del /F /Q \"\\\\srv\\share\\f\"\r\n"},
        {C::kFolderCreated, "C:\\d", "", "if not exist \"C:\\d\\\" mkdir \"C:\\d\"\r\nif not exist \"C:\\d\\\" ("},
        {C::kProgramStarted, "C:\\p.exe", "/M \"a & b\" & (c) 5%", "\"C:\\p.exe\" /M \"a & b\" ^& ^(c^) 5%%\r\nif errorlevel 1 ("},
        {C::kFileDeleted, "C:\\\x96\x7c\x96\xf3", "", "if exist \"C:\\\x96\x7c\x96\xf3\""},  // 翻訳: a second byte '|'
        {C::kFileCopied, "C:\\a\"b", "C:\\s", "C:\\a\"b: a double quote, which a .cmd file cannot carry exactly"},
        {C::kFileDeleted, "C:\\*.*", "", "C:\\*.*: a wildcard"},
        {C::kFolderCreated, "d\\e", "", "d\\e: a path that is not absolute"},
        {C::kFileDeleted, "C:\\a\r\n\\b", "", ": a control character"},
        {C::kFileCopied, "C:\\t", "C:\\\x83", ": text that is not whole characters of code page 932"},
        {C::kProgramStarted, "C:\\p.exe", "\"a", "the parameters of C:\\p.exe: an unbalanced double quote"},
    };
    const CodePage cp(932);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + " " + row.detail);
        std::string error;
        const auto text = WriteChangesCmd({{row.kind, row.path, "", 0, "", row.detail, ""}}, cp, &error);
        EXPECT_NE((text ? *text : error).find(row.line), std::string::npos) << (text ? *text : error);
    }
    // An attempt that failed (a source missing from the machine) is shown by the plan, no step of it.
    const auto text = WriteChangesCmd({{C::kFileCopied, "C:\\t", "", 0, "", "C:\\s", "source missing"}}, cp);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->find("copy "), std::string::npos) << *text;
    EXPECT_NE(text->find("done, 0 file steps"), std::string::npos) << *text;
}

}  // namespace
}  // namespace sim
