#include "SimulatorInputs.h"

#include "SimEngine.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace SimulatorInputs {
namespace {

using namespace V57Sim;

constexpr std::string_view FileName = "fuzz.scn";

bool OneLineOfText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c != 0x7F; });
}

// Empty when `message` is "fuzz.scn:N: reason" with N within 1..lines.
std::string CheckWhere(std::string_view message, int lines)
{
    if (!message.starts_with(FileName) || message.size() <= FileName.size() || message[FileName.size()] != ':')
        return "a message that names no file: " + std::string(message);
    const char *first = message.data() + FileName.size() + 1;
    const char *last = message.data() + message.size();
    int line = 0;
    const auto [end, error] = std::from_chars(first, last, line);
    if (error != std::errc() || line < 1 || line > lines)
        return "a message that names no line of the file: " + std::string(message);
    const std::string_view reason(end, std::size_t(last - end));
    if (!reason.starts_with(": ") || reason.size() <= 2)
        return "a message with no reason: " + std::string(message);
    if (!OneLineOfText(message))
        return "a message that is not one line of printable text: " + std::string(message);
    return {};
}

int LineCount(std::string_view text)
{
    if (text.empty())
        return 0;
    return int(std::count(text.begin(), text.end(), '\n')) + (text.back() == '\n' ? 0 : 1);
}

std::string CheckRanges(const TSimEngine &engine)
{
    for (const TStimulator &device : engine.Devices()) {
        const StimulatorRecord::TReport r = device.Report();
        const bool within = r.Demand >= 0 && r.Demand <= Range::DemandMax && r.Limit >= 0
                            && r.Limit <= Range::NoLimit && r.Width >= Range::WidthMin
                            && r.Width <= Range::WidthMax && r.Recovery >= Range::RecoveryMin
                            && r.Recovery <= Range::RecoveryMax && r.Dwell >= Range::DwellMin
                            && r.Dwell <= Range::DwellMax && r.Control.Output <= 1
                            && r.Control.Mode >= 1 && r.Control.Mode <= 2 && r.Control.Polarity >= 1
                            && r.Control.Polarity <= 3 && r.Control.Source >= 1
                            && r.Control.Source <= 2 && r.Control.BeeperOff <= 1;
        if (!within)
            return "a device outside its ranges: " + device.StateText();
    }
    return {};
}

} // namespace

std::string CheckScenario(std::string_view text)
{
    const int lines = LineCount(text);
    std::string failure;
    const TMessageSink sink = [&](const std::string &message) {
        if (failure.empty())
            failure = CheckWhere(message, lines);
    };
    TScenario scenario = ParseScenario(text, std::string(FileName), sink);
    if (!failure.empty())
        return failure;
    for (const TScenarioLine &line : scenario.Lines) {
        if (const std::string bad = CheckWhere(line.Where + ": taken", lines); !bad.empty())
            return bad;
    }
    if (!std::is_sorted(scenario.Lines.begin(), scenario.Lines.end(),
                        [](const auto &a, const auto &b) { return a.At < b.At; }))
        return "lines out of time order";
    const TSimTime end = scenario.Lines.empty() ? TSimTime::zero() : scenario.Lines.back().At;
    TSimEngine engine(std::move(scenario), sink);
    engine.AdvanceTo(end);
    if (!failure.empty())
        return failure;
    return CheckRanges(engine);
}

std::string CheckCommand(std::string_view line)
{
    line = line.substr(0, line.find('\n'));
    const TLiveLine parsed = ParseLiveLine(line);
    if (const auto *reason = std::get_if<std::string>(&parsed)) {
        if (reason->empty() || !OneLineOfText(*reason))
            return "a refusal that is not one line of text: " + *reason;
        return {};
    }
    if (std::holds_alternative<TNoCommand>(parsed)) {
        const std::string_view words = line.substr(0, line.find('#'));
        if (words.find_first_not_of(" \t\r") != std::string_view::npos)
            return "a line with words taken as none: " + std::string(line);
        return {};
    }
    const TCommand &command = std::get<TCommand>(parsed);
    TSimEngine engine;
    const TSimTime at = std::chrono::seconds(1);
    engine.AdvanceTo(at);
    const std::vector<uint8_t> before = engine.CurrentStateBlock();
    const std::string answer = engine.Execute(command, at);
    if (answer.starts_with("error: ")) {
        if (answer.size() <= 7 || !OneLineOfText(answer))
            return "a refusal that is not one line of text: " + answer;
        if (engine.CurrentStateBlock() != before)
            return "a refused command changed the devices: " + std::string(line);
    } else {
        const bool query = command.Verb == TVerb::State || command.Verb == TVerb::Devices;
        if (query ? answer.empty() || answer == "ok" : answer != "ok")
            return "an answer that is neither done nor refused: " + answer;
    }
    return CheckRanges(engine);
}

} // namespace SimulatorInputs
