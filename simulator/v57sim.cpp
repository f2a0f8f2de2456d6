// v57sim: the trainer's side of the simulated instruments. Sends scenario
// lines to a running simulator's control socket and prints each answer.
//
//   v57sim [-s SOCKET] LINE...   sends the words as one line
//   v57sim [-s SOCKET]           sends each line of standard input
//
// SOCKET defaults to $PXV57_SIM_SOCKET. Exit status: 0 when every answer is
// good, 1 when one is an error, 2 when the simulator cannot be reached.
#include "ControlSocket.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int ExitError = 1;
constexpr int ExitUnreachable = 2;

void Usage()
{
    std::cerr << "usage: v57sim [-s SOCKET] [LINE...]\n"
                 "Sends LINE (or each line of standard input) to the stimulator simulator's\n"
                 "control socket (default $PXV57_SIM_SOCKET) and prints the answers.\n";
}

bool IsBlankOrComment(const std::string &line)
{
    const std::size_t first = line.find_first_not_of(" \t\r");
    return first == std::string::npos || line[first] == '#';
}

} // namespace

int main(int argc, char **argv)
{
    const char *fromEnvironment = std::getenv("PXV57_SIM_SOCKET");
    std::string socketPath = fromEnvironment ? fromEnvironment : "";
    std::vector<std::string> words;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if ((arg == "-s" || arg == "--socket") && k + 1 < argc) {
            socketPath = argv[++k];
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        } else {
            words.push_back(arg);
        }
    }
    if (socketPath.empty()) {
        Usage();
        std::cerr << "v57sim: no socket: set PXV57_SIM_SOCKET or give -s SOCKET\n";
        return ExitUnreachable;
    }

    std::string error;
    const auto connection = V57Sim::TControlClient::Connect(socketPath, error);
    if (!connection) {
        std::cerr << "v57sim: " << error << "\n";
        return ExitUnreachable;
    }

    int status = 0;
    auto exchange = [&](const std::string &line) {
        std::string answer;
        if (!connection->Send(line) || !connection->Receive(answer)) {
            std::cerr << "v57sim: the simulator closed the connection\n";
            status = ExitUnreachable;
            return false;
        }
        std::cout << answer << std::endl;
        if (answer.starts_with("error") && status == 0)
            status = ExitError;
        return true;
    };

    if (!words.empty()) {
        std::string line;
        for (const std::string &word : words)
            line += (line.empty() ? "" : " ") + word;
        exchange(line);
        return status;
    }
    for (std::string line; std::getline(std::cin, line);)
        if (!IsBlankOrComment(line) && !exchange(line))
            break;
    return status;
}
