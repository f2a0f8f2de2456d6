#include "Scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>
#include <span>
#include <sstream>

namespace V57Sim {

void PrintToStderr(const std::string &message) { std::cerr << "v57sim: " << message << std::endl; }

namespace {

// Thrown inside the parser only; becomes the message of the bad line.
struct TBadLine {
    std::string Message;
};

std::vector<std::string_view> SplitWords(std::string_view line)
{
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(" \t\r\n", pos);
        if (pos == std::string_view::npos)
            return words;
        const std::size_t end = std::min(line.find_first_of(" \t\r\n", pos), line.size());
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t pos = 0;;) {
        const std::size_t end = text.find(separator, pos);
        parts.push_back(text.substr(pos, end - pos));
        if (end == std::string_view::npos)
            return parts;
        pos = end + 1;
    }
}

std::optional<int64_t> ParseInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()
        || value > uint64_t(INT64_MAX))
        return std::nullopt;
    return negative ? -int64_t(value) : int64_t(value);
}

std::optional<double> ParseReal(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()
        || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A word of the line as a message shows it: one line of printable ASCII, so
// that a stray byte neither reaches the terminal nor breaks the socket's
// one-line answer. Other bytes show as \xHH, and a long word by its start.
std::string Quoted(std::string_view text)
{
    constexpr std::size_t longest = 40;
    std::string shown = "'";
    for (const char c : text.substr(0, longest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            constexpr char hex[] = "0123456789ABCDEF";
            shown += {'\\', 'x', hex[byte >> 4], hex[byte & 0xF]};
        }
    }
    return shown + (text.size() > longest ? "...'" : "'");
}

// Words of a code setting, and the codes they stand for.
struct TNamedValue {
    std::string_view Name;
    int32_t Code;
};
constexpr TNamedValue ModeNames[] = {{"mono", 1}, {"mono-phasic", 1}, {"bi", 2}, {"bi-phasic", 2},
                                     {"1", 1},    {"2", 2}};
constexpr TNamedValue PolarityNames[] = {{"positive", 1}, {"negative", 2}, {"alternating", 3},
                                         {"1", 1},        {"2", 2},        {"3", 3}};
constexpr TNamedValue SourceNames[] = {{"internal", 1}, {"external", 2}, {"1", 1}, {"2", 2},
                                       {"3", 3}};
constexpr TNamedValue OnOffNames[] = {{"on", 1},  {"off", 0}, {"enabled", 1},
                                      {"disabled", 0}, {"1", 1},   {"0", 0}};

struct TSettingName {
    std::string_view Name;
    TSetting Setting;
    std::span<const TNamedValue> Names; // empty: a whole number
};
constexpr TSettingName SettingNames[] = {
    {"demand", TSetting::Demand, {}},
    {"limit", TSetting::Limit, {}},
    {"width", TSetting::Width, {}},
    {"recovery", TSetting::Recovery, {}},
    {"dwell", TSetting::Dwell, {}},
    {"mode", TSetting::Mode, ModeNames},
    {"polarity", TSetting::Polarity, PolarityNames},
    {"source", TSetting::Source, SourceNames},
    {"output", TSetting::Output, OnOffNames},
    {"beep", TSetting::Beep, OnOffNames},
};

// Reads the words of one line after the command word, in order.
class TWordReader {
public:
    explicit TWordReader(std::span<const std::string_view> words) : fWords(words) {}

    std::string_view Next(std::string_view what)
    {
        if (fNext == fWords.size())
            throw TBadLine{"missing " + std::string(what)};
        return fWords[fNext++];
    }
    bool AtEnd() const { return fNext == fWords.size(); }
    void ExpectEnd() const
    {
        if (!AtEnd())
            throw TBadLine{"unexpected " + Quoted(fWords[fNext])};
    }

    int64_t Integer(std::string_view what, int64_t min, int64_t max)
    {
        const std::string_view word = Next(what);
        const auto value = ParseInteger(word);
        if (!value)
            throw TBadLine{Quoted(word) + " is not a whole number (" + std::string(what) + ")"};
        if (*value < min || *value > max)
            throw TBadLine{std::string(what) + " " + Quoted(word) + " is not in "
                           + std::to_string(min) + ".." + std::to_string(max)};
        return *value;
    }
    int32_t OptionalCount()
    {
        return AtEnd() ? 1 : int32_t(Integer("count", 1, INT32_MAX));
    }
    double Real(std::string_view what, double min, double max)
    {
        const std::string_view word = Next(what);
        const auto value = ParseReal(word);
        if (!value)
            throw TBadLine{Quoted(word) + " is not a number (" + std::string(what) + ")"};
        if (*value < min || *value > max) {
            std::ostringstream range;
            range << what << " " << Quoted(word) << " is not in " << min << ".." << max;
            throw TBadLine{range.str()};
        }
        return *value;
    }
    // Decimal or 0x hexadecimal; hexadecimal IDs up to 0xFFFFFFFF wrap to
    // the signed word that the record carries.
    int32_t DeviceID() { return int32_t(uint32_t(Integer("device ID", INT32_MIN, UINT32_MAX))); }
    // "a.b.c.d" (most significant byte first) or one number.
    uint32_t Version()
    {
        const std::string_view word = Next("version");
        if (word.find('.') == std::string_view::npos)
            return uint32_t(Integer("version", 0, UINT32_MAX));
        const TBadLine bad{Quoted(word) + " is not a version a.b.c.d of bytes 0..255"};
        uint32_t version = 0;
        int parts = 0;
        for (std::string_view part : SplitAt(word, '.')) {
            const auto byte = ParseInteger(part);
            if (!byte || *byte < 0 || *byte > 255 || ++parts > 4)
                throw bad;
            version = version << 8 | uint32_t(*byte);
        }
        if (parts != 4)
            throw bad;
        return version;
    }
    // A result code a fault hands back; 997 would promise a callback.
    int32_t ResultCode()
    {
        const int32_t code = int32_t(Integer("result code", INT32_MIN, INT32_MAX));
        if (code == 997)
            throw TBadLine{"result code 997 means accepted; a fault needs another code"};
        return code;
    }

private:
    std::span<const std::string_view> fWords;
    std::size_t fNext = 0;
};

void ReadSetting(TWordReader &words, TCommand &c)
{
    const std::string_view key = words.Next("setting");
    const auto setting = std::find_if(std::begin(SettingNames), std::end(SettingNames),
                                      [&](const TSettingName &s) { return s.Name == key; });
    if (setting == std::end(SettingNames))
        throw TBadLine{"unknown setting " + Quoted(key)
                       + " (demand, limit, width, recovery, dwell, mode, polarity, source, "
                         "output, beep)"};
    c.Setting = setting->Setting;
    if (setting->Names.empty()) {
        c.Value = int32_t(words.Integer(setting->Name, INT32_MIN, INT32_MAX));
        return;
    }
    const std::string_view word = words.Next("value");
    const auto named = std::find_if(setting->Names.begin(), setting->Names.end(),
                                    [&](const TNamedValue &n) { return n.Name == word; });
    if (named == setting->Names.end())
        throw TBadLine{Quoted(word) + " is not a value of " + std::string(setting->Name)};
    c.Value = named->Code;
}

enum class TWhere { Anywhere, FileOnly, LiveOnly };

struct TVerbName {
    std::string_view Name;
    TVerb Verb;
    TWhere Where;
};
constexpr TVerbName VerbNames[] = {
    {"plug", TVerb::Plug, TWhere::Anywhere},
    {"unplug", TVerb::Unplug, TWhere::Anywhere},
    {"set", TVerb::Set, TWhere::Anywhere},
    {"trigger", TVerb::Trigger, TWhere::Anywhere},
    {"zero", TVerb::Zero, TWhere::Anywhere},
    {"load", TVerb::Load, TWhere::Anywhere},
    {"compliance", TVerb::Compliance, TWhere::Anywhere},
    {"input", TVerb::Input, TWhere::Anywhere},
    {"train", TVerb::Train, TWhere::Anywhere},
    {"refuse-init", TVerb::RefuseInit, TWhere::Anywhere},
    {"init-error", TVerb::InitError, TWhere::Anywhere},
    {"null-reference", TVerb::NullReference, TWhere::Anywhere},
    {"refuse-updates", TVerb::RefuseUpdates, TWhere::Anywhere},
    {"delay", TVerb::Delay, TWhere::Anywhere},
    {"drop-completion", TVerb::DropCompletion, TWhere::Anywhere},
    {"empty-block", TVerb::EmptyBlock, TWhere::Anywhere},
    {"truncated-block", TVerb::TruncatedBlock, TWhere::Anywhere},
    {"no-default-devices", TVerb::NoDefaultDevices, TWhere::FileOnly},
    {"state", TVerb::State, TWhere::LiveOnly},
    {"devices", TVerb::Devices, TWhere::LiveOnly},
};

// Delays and truncation beyond these are typing errors, not scenarios.
constexpr int64_t MaxDelayMs = 600000;
constexpr int64_t MaxBlockBytes = 1 << 20;

TCommand ReadCommand(std::span<const std::string_view> words, bool live)
{
    const std::string_view name = words[0];
    const auto verb = std::find_if(std::begin(VerbNames), std::end(VerbNames),
                                   [&](const TVerbName &v) { return v.Name == name; });
    if (verb == std::end(VerbNames))
        throw TBadLine{"unknown command " + Quoted(name)};
    if (verb->Where == TWhere::FileOnly && live)
        throw TBadLine{std::string(name) + " belongs at the start of a scenario file"};
    if (verb->Where == TWhere::LiveOnly && !live)
        throw TBadLine{std::string(name) + " is a query of the control socket"};

    TWordReader args(words.subspan(1));
    TCommand c;
    c.Verb = verb->Verb;
    switch (c.Verb) {
    case TVerb::Plug:
        c.DeviceID = args.DeviceID();
        c.VersionID = args.AtEnd() ? 0x01000000 : args.Version();
        break;
    case TVerb::Unplug:
    case TVerb::Trigger:
    case TVerb::Zero:
    case TVerb::State: c.DeviceID = args.DeviceID(); break;
    case TVerb::Set:
        c.DeviceID = args.DeviceID();
        ReadSetting(args, c);
        break;
    case TVerb::Load:
        c.DeviceID = args.DeviceID();
        c.Amount = args.Real("load in ohms", 1, 1e7);
        break;
    case TVerb::Compliance:
        c.DeviceID = args.DeviceID();
        c.Amount = args.Real("compliance in volts", 1, 1e4);
        break;
    case TVerb::Input:
        c.DeviceID = args.DeviceID();
        c.Amount = args.Real("input in volts", -15, 15);
        break;
    case TVerb::Train:
        c.DeviceID = args.DeviceID();
        c.Amount = args.Real("train rate in Hz", 0, 100000);
        break;
    case TVerb::RefuseInit: c.Value = args.ResultCode(); break;
    case TVerb::InitError:
        c.Value = args.ResultCode();
        if (c.Value == 0)
            throw TBadLine{"init-error needs a code other than 0 (ready)"};
        break;
    case TVerb::RefuseUpdates:
        c.Count = int32_t(args.Integer("count", 1, INT32_MAX));
        c.Value = args.ResultCode();
        break;
    case TVerb::Delay: c.Value = int32_t(args.Integer("delay in ms", 0, MaxDelayMs)); break;
    case TVerb::DropCompletion:
    case TVerb::EmptyBlock: c.Count = args.OptionalCount(); break;
    case TVerb::TruncatedBlock:
        c.Value = int32_t(args.Integer("byte count", 0, MaxBlockBytes));
        c.Count = args.OptionalCount();
        break;
    case TVerb::NullReference:
    case TVerb::NoDefaultDevices:
    case TVerb::Devices: break;
    }
    args.ExpectEnd();
    return c;
}

TSimTime ReadTime(std::string_view word)
{
    const auto seconds = ParseReal(word.substr(1));
    if (!seconds || *seconds < 0 || *seconds > 1e6)
        throw TBadLine{Quoted(word) + " is not a time @SECONDS (0..1000000)"};
    return TSimTime(std::llround(*seconds * 1e9));
}

} // namespace

TScenario ParseScenario(std::string_view text, const std::string &fileName,
                        const TMessageSink &sink)
{
    TScenario scenario;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        const std::string where = fileName + ":" + std::to_string(lineNumber);
        try {
            std::vector<std::string_view> words = SplitWords(line);
            if (words.empty())
                continue;
            TSimTime at{0};
            const bool timed = words[0].starts_with('@');
            if (timed) {
                at = ReadTime(words[0]);
                words.erase(words.begin());
                if (words.empty())
                    throw TBadLine{"a time with no command"};
            }
            const TCommand command = ReadCommand(words, false);
            if (command.Verb == TVerb::NoDefaultDevices) {
                if (at != TSimTime::zero())
                    throw TBadLine{"no-default-devices takes no time: it describes the start"};
                scenario.NoDefaultDevices = true;
                continue;
            }
            scenario.Lines.push_back({at, command, where});
        } catch (const TBadLine &bad) {
            sink(where + ": " + bad.Message + "; line ignored");
        }
    }
    std::stable_sort(scenario.Lines.begin(), scenario.Lines.end(),
                     [](const TScenarioLine &a, const TScenarioLine &b) { return a.At < b.At; });
    return scenario;
}

TScenario LoadScenarioFile(const std::string &path, const TMessageSink &sink)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        sink(path + ": cannot read the scenario file; starting without it");
        return {};
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseScenario(text.str(), path, sink);
}

TLiveLine ParseLiveLine(std::string_view line)
{
    try {
        const std::vector<std::string_view> words = SplitWords(line);
        if (words.empty())
            return TNoCommand{};
        if (words[0].starts_with('@'))
            throw TBadLine{"a live line takes no time: it applies at once"};
        return ReadCommand(words, true);
    } catch (const TBadLine &bad) {
        return bad.Message;
    }
}

} // namespace V57Sim
