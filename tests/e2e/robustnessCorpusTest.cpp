// A corpus of awkward command lines, generated from a fixed seed, run through all four tools
// under Wine: long arguments up to the command-line limit, characters outside the ANSI code
// page, control characters, runs of quotes and many arguments. Each line is built so that its
// argument count is known, and each run must end by itself with the exit code the command-line
// rules give it; a refused line or a help request must leave the registry as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "robustness.h"

namespace volmora::e2e {
namespace {

using robustness::TextSource;

// The command-line rules of one tool: its switches besides "?" and the operand counts its
// registration accepts (the unregistration always takes one, the listing none).
struct ToolRules {
    const wchar_t* name;
    const wchar_t* switches;
    std::size_t registrationMin;
    std::size_t registrationMax;
};

// Lines with many arguments have more than this many: every one of them counts.
constexpr std::size_t manyArguments = 32;
constexpr std::size_t anyNumber = SIZE_MAX;
const ToolRules tools[] = {
    {L"bindObject", L"slu", 4, 5},
    {L"bindRuntime", L"slu", 3, anyNumber},
    {L"bindHost", L"slu", 2, anyNumber},
    {L"bindSchema", L"su", 1, 1},
};

// The longest argument text the harness can pass: CreateProcessW takes 32,767 characters with
// the terminator, and the harness puts the quoted program path and a blank in front.
std::size_t argumentTextLimit(const ToolRules& tool) {
    return 32767 - 1 - (builtToolPath(tool.name).size() + 3);
}

struct CorpusCase {
    const ToolRules* tool;
    std::wstring arguments;
    std::uint32_t exitCode;
    bool silent;
};

class CorpusBuilder {
  public:
    explicit CorpusBuilder(std::uint32_t seed) : text_(seed) {}

    // Exactly one argument that is not a switch: plain characters with runs of paired quotes
    // (which group nothing) or a quoted part holding blanks and tabs.
    std::wstring operand(std::size_t length) {
        std::wstring token(1, static_cast<wchar_t>(L'A' + text_.below(26)));
        while (token.size() < length) {
            const std::size_t pick = text_.below(10);
            if (pick == 0) {
                token.append(2 * (1 + text_.below(3)), L'"');
            } else if (pick == 1) {
                token += L"\" \t" + text_.plainCharacter() + L"  \"";
            } else {
                token += text_.plainCharacter();
            }
        }
        return token;
    }

    // count operands, separated by runs of blanks and tabs; later ones may be empty ("").
    std::wstring operands(std::size_t count, std::size_t length) {
        std::wstring line;
        for (std::size_t i = 0; i < count; ++i) {
            line += separator();
            line += i > 0 && text_.chance(10) ? std::wstring(L"\"\"")
                                              : operand(1 + text_.below(length));
        }
        return line;
    }

    // Anything at all after a stop in the switches: quotes left open, switches, blanks.
    std::wstring anything(std::size_t length) {
        std::wstring line;
        while (line.size() < length) {
            switch (text_.below(6)) {
                case 0:
                    line.append(1 + text_.below(5), L'"');
                    break;
                case 1:
                    line += separator();
                    break;
                case 2:
                    line += text_.chance(50) ? L"/s" : L"-u";
                    break;
                default:
                    line += text_.plainCharacter();
            }
        }
        return line;
    }

    // A switch the tool does not know: a letter it lacks, a foreign or control character, or
    // more than one character after the "/" or "-".
    std::wstring badSwitch(const ToolRules& tool) {
        const wchar_t lead = text_.chance(50) ? L'/' : L'-';
        std::wstring name;
        do {
            name = text_.plainCharacter();
        } while (name.size() == 1 &&
                 (std::wstring(tool.switches).find(name[0]) != std::wstring::npos ||
                  std::wstring(L"SLU").find(name[0]) != std::wstring::npos));
        if (text_.chance(40))
            name += operand(1 + text_.below(40));
        return std::wstring(1, lead) + name;
    }

    std::wstring separator() {
        std::wstring blanks;
        for (std::size_t n = 1 + text_.below(4); n > 0; --n)
            blanks += text_.chance(70) ? L' ' : L'\t';
        return blanks;
    }

    // An operand count the registration refuses (zero, too few or too many).
    std::size_t refusedRegistrationCount(const ToolRules& tool) {
        if (tool.registrationMax < manyArguments && text_.chance(50)) {
            return tool.registrationMax + 1 + text_.below(manyArguments - 1 - tool.registrationMax);
        }
        return text_.below(tool.registrationMin);
    }

    TextSource& text() { return text_; }

  private:
    TextSource text_;
};

// Builds the corpus: each kind of awkward line for each tool, in turn.
std::vector<CorpusCase> buildCorpus() {
    CorpusBuilder builder(20261207);
    TextSource& text = builder.text();
    std::vector<CorpusCase> corpus;
    for (std::size_t round = 0; round < 6; ++round) {
        for (const ToolRules& tool : tools) {
            const bool hasListing = std::wstring(tool.switches).find(L'l') != std::wstring::npos;
            // An unknown switch, after silent mode or on its own (then the usage box shows).
            corpus.push_back({&tool,
                              L"/s" + builder.separator() + builder.badSwitch(tool) +
                                  builder.anything(text.below(200)),
                              1, true});
            corpus.push_back(
                {&tool, builder.badSwitch(tool) + builder.anything(text.below(50)), 1, false});
            // Help, whatever follows it.
            corpus.push_back({&tool,
                              L"-S" + builder.separator() + (text.chance(50) ? L"/?" : L"-?") +
                                  builder.separator() + builder.anything(text.below(300)),
                              0, true});
            // A registration with an operand count it refuses.
            corpus.push_back({&tool,
                              L"/s" + builder.operands(builder.refusedRegistrationCount(tool), 60),
                              1, true});
            // An unregistration with none or several operands.
            const std::size_t count = text.chance(30) ? 0 : 2 + text.below(manyArguments - 2);
            corpus.push_back({&tool, L"/s /U" + builder.operands(count, 30), 1, true});
            // Many arguments: the unregistration sees them all.
            corpus.push_back({&tool,
                              L"/u /s" + builder.operands(manyArguments + 1 + text.below(30), 8), 1,
                              true});
            // Help after many switches is still seen: no argument is dropped.
            std::wstring switches;
            for (std::size_t n = manyArguments + text.below(10); n > 0; --n) {
                switches += L"/s" + builder.separator();
            }
            corpus.push_back(
                {&tool, switches + L"/?" + builder.separator() + builder.anything(text.below(100)),
                 0, true});
            if (hasListing) {
                // The listing refuses silent mode, the unregistration switch and operands.
                corpus.push_back({&tool, L"/s /l" + builder.operands(text.below(4), 40), 1, true});
                corpus.push_back(
                    {&tool,
                     L"/l" + builder.separator() + L"/u" + builder.operands(text.below(3), 20), 1,
                     false});
            } else {
                corpus.push_back({&tool, L"/s /l" + builder.operands(text.below(3), 40), 1, true});
            }
            // One long argument up to the command-line limit in a refused unregistration, or an
            // unknown switch that long.
            const std::size_t limit = argumentTextLimit(tool);
            const std::size_t length = round == 0 ? limit : limit / (2 + text.below(20));
            std::wstring line = L"/s /u " + builder.operand(8) + L" ";
            line += builder.operand(length - line.size());
            line.resize(length, L'x');  // an operand may end a few characters past the limit
            corpus.push_back({&tool, std::move(line), 1, true});
            std::wstring longSwitch = L"/s /" + builder.operand(length - 4);
            longSwitch.resize(length, L'y');
            corpus.push_back({&tool, std::move(longSwitch), 1, true});
        }
    }
    return corpus;
}

TEST(RobustCommandLines, AwkwardLinesEndWithTheirExitCodeAndRefusalsWriteNothing) {
    const std::vector<CorpusCase> corpus = buildCorpus();
    ASSERT_GE(corpus.size(), 200u);
    const std::wstring before = robustness::registryState();
    std::wstring configuration = dumpKey(HKEY_LOCAL_MACHINE, robustness::configurationRoot);
    RunOptions options;
    options.timeoutMs = 20000;
    for (std::size_t i = 0; i < corpus.size(); ++i) {
        const CorpusCase& c = corpus[i];
        SCOPED_TRACE("case " + std::to_string(i) + " " + narrow(c.tool->name) + " " +
                     narrow(c.arguments.substr(0, 80)));
        const RunResult result = runTool(c.tool->name, c.arguments, options);
        ASSERT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, c.exitCode);
        if (c.silent) {
            EXPECT_TRUE(result.boxes.empty());
        } else {
            ASSERT_EQ(result.boxes.size(), 1u);
            expectBoxIcon(result.boxes[0], BoxIcon::exclamation);
        }
        EXPECT_TRUE(result.listings.empty());
        // The configuration is cheap to read after every run; the rest is compared at the end.
        const std::wstring now = dumpKey(HKEY_LOCAL_MACHINE, robustness::configurationRoot);
        EXPECT_TRUE(now == configuration);
        configuration = now;
    }
    EXPECT_TRUE(robustness::registryState() == before);
}

}  // namespace
}  // namespace volmora::e2e
