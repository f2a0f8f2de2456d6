// The control socket on Windows: the named pipe \\.\pipe\<name>, local
// clients only, served with overlapped I/O from one thread and woken for
// shutdown through an event.
#include "ControlSocket.h"
#include "ThreadName.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace V57Sim {

namespace {

constexpr DWORD PipeBufferBytes = 4096;
// How long a client waits for a busy pipe to take it.
constexpr DWORD BusyPatienceMs = 2000;

std::wstring Widen(const std::string &text)
{
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

std::wstring PipeName(const std::string &address)
{
    static const std::wstring prefix = L"\\\\.\\pipe\\";
    std::wstring name = Widen(address);
    if (name.starts_with(prefix))
        return name;
    for (wchar_t &c : name)
        if (c == L'\\')
            c = L'/';
    return prefix + name;
}

std::string SystemError(const std::string &what, DWORD code = ::GetLastError())
{
    char *text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                         | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = n ? std::string(text, n) : "error " + std::to_string(code);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return what + ": " + message;
}

// A handle closed with its owner.
struct THandle {
    HANDLE Value = nullptr;
    THandle() = default;
    explicit THandle(HANDLE value) : Value(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
    ~THandle()
    {
        if (Value)
            ::CloseHandle(Value);
    }
    THandle(const THandle &) = delete;
    THandle &operator=(const THandle &) = delete;
    explicit operator bool() const { return Value != nullptr; }
    // Takes `value` (closing what was held); false when it is no handle.
    bool Reset(HANDLE value)
    {
        if (Value)
            ::CloseHandle(Value);
        Value = value == INVALID_HANDLE_VALUE ? nullptr : value;
        return Value != nullptr;
    }
    HANDLE Release() { return std::exchange(Value, nullptr); }
};

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// One overlapped operation on a pipe: its event and state.
struct TPending {
    THandle Event{NewEvent()};
    OVERLAPPED Overlapped{};
    bool Busy = false;

    OVERLAPPED *Begin()
    {
        Overlapped = {};
        Overlapped.hEvent = Event.Value;
        ::ResetEvent(Event.Value);
        return &Overlapped;
    }
    // Whether the operation just begun is under way (or done already).
    bool Started(BOOL done)
    {
        Busy = done || ::GetLastError() == ERROR_IO_PENDING;
        return Busy;
    }
    // Waits up to `timeoutMs` for the operation; on time-out it is cancelled.
    bool Finish(HANDLE file, DWORD timeoutMs, DWORD &bytes)
    {
        if (!Busy)
            return false;
        Busy = false;
        if (::WaitForSingleObject(Event.Value, timeoutMs) != WAIT_OBJECT_0) {
            ::CancelIoEx(file, &Overlapped);
            ::GetOverlappedResult(file, &Overlapped, &bytes, TRUE);
            return false;
        }
        return ::GetOverlappedResult(file, &Overlapped, &bytes, FALSE);
    }
    // Before the buffer or the file goes: nothing may still write into it.
    void Abandon(HANDLE file)
    {
        if (!Busy)
            return;
        DWORD bytes;
        ::CancelIoEx(file, &Overlapped);
        ::GetOverlappedResult(file, &Overlapped, &bytes, TRUE);
        Busy = false;
    }
};

bool WriteAll(HANDLE file, std::string_view text, DWORD timeoutMs)
{
    TPending write;
    for (std::size_t sent = 0; sent < text.size();) {
        DWORD bytes = 0;
        if (!write.Started(::WriteFile(file, text.data() + sent, DWORD(text.size() - sent), nullptr,
                                       write.Begin()))
            || !write.Finish(file, timeoutMs, bytes) || bytes == 0)
            return false;
        sent += bytes;
    }
    return true;
}

// True when a server has an instance of the pipe, free or busy.
bool SomeoneListens(const std::wstring &name)
{
    return ::WaitNamedPipeW(name.c_str(), 1) || ::GetLastError() == ERROR_SEM_TIMEOUT;
}

HANDLE NewPipeInstance(const std::wstring &name, bool first)
{
    return ::CreateNamedPipeW(
        name.c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, PipeBufferBytes, PipeBufferBytes, 0, nullptr);
}

// One connected client of the server, with its read under way.
struct TPipeClient {
    THandle Pipe;
    TPending Read;
    char Buffer[1024];
    TControlConnection Lines;

    explicit TPipeClient(HANDLE pipe) : Pipe(pipe) {}
    ~TPipeClient()
    {
        Read.Abandon(Pipe.Value);
        ::DisconnectNamedPipe(Pipe.Value);
    }
    bool StartRead()
    {
        return Read.Started(::ReadFile(Pipe.Value, Buffer, sizeof Buffer, nullptr, Read.Begin()));
    }
};

} // namespace

struct TControlSocketServer::TTransport {
    std::wstring Name;
    THandle Listening; // the instance waiting for the next client
    THandle Stop{NewEvent()};
};

std::unique_ptr<TControlSocketServer> TControlSocketServer::Start(const std::string &address,
                                                                  TLineHandler handler,
                                                                  const TMessageSink &sink)
{
    auto transport = std::make_unique<TTransport>();
    transport->Name = PipeName(address);
    const std::string inUse = "control socket " + address + ": in use by another simulator; no control socket";
    // The first instance is ours alone: Windows refuses it while another
    // server has the name. (Wine does not, hence the look first.)
    if (SomeoneListens(transport->Name)) {
        sink(inUse);
        return nullptr;
    }
    if (!transport->Listening.Reset(NewPipeInstance(transport->Name, true))) {
        const DWORD code = ::GetLastError();
        sink(code == ERROR_ACCESS_DENIED || code == ERROR_PIPE_BUSY
                 ? inUse
                 : SystemError("control socket " + address, code));
        return nullptr;
    }
    if (!transport->Stop) {
        sink(SystemError("control socket " + address));
        return nullptr;
    }
    return std::unique_ptr<TControlSocketServer>(
        new TControlSocketServer(std::move(transport), std::move(handler)));
}

TControlSocketServer::TControlSocketServer(std::unique_ptr<TTransport> transport,
                                           TLineHandler handler)
    : fTransport(std::move(transport)), fHandler(std::move(handler)),
      fThread(&TControlSocketServer::Serve, this)
{
}

TControlSocketServer::~TControlSocketServer()
{
    ::SetEvent(fTransport->Stop.Value);
    fThread.join();
}

void TControlSocketServer::Serve()
{
    NameThisThread("V57API socket");
    TTransport &transport = *fTransport;
    std::vector<std::unique_ptr<TPipeClient>> clients;
    TPending connect;
    bool connectedAtOnce = false; // between the instance's creation and ConnectNamedPipe
    auto listen = [&] {
        if (!transport.Listening && !transport.Listening.Reset(NewPipeInstance(transport.Name, false)))
            return false;
        const BOOL done = ::ConnectNamedPipe(transport.Listening.Value, connect.Begin());
        connectedAtOnce = !done && ::GetLastError() == ERROR_PIPE_CONNECTED;
        if (connectedAtOnce)
            ::SetEvent(connect.Event.Value);
        return connectedAtOnce || connect.Started(done);
    };
    if (!listen())
        return;
    while (true) {
        std::vector<HANDLE> events{transport.Stop.Value, connect.Event.Value};
        for (const auto &client : clients)
            events.push_back(client->Read.Event.Value);
        const DWORD woken = ::WaitForMultipleObjects(DWORD(events.size()), events.data(), FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 || woken >= WAIT_OBJECT_0 + events.size())
            break;
        if (woken == WAIT_OBJECT_0 + 1) {
            DWORD unused;
            const bool connected = connectedAtOnce || connect.Finish(transport.Listening.Value, 0, unused);
            auto client = std::make_unique<TPipeClient>(transport.Listening.Release());
            if (connected && clients.size() < MaxClients && client->StartRead())
                clients.push_back(std::move(client));
            if (!listen())
                break;
            continue;
        }
        const std::size_t k = woken - WAIT_OBJECT_0 - 2;
        TPipeClient &client = *clients[k];
        DWORD n = 0;
        bool keep = client.Read.Finish(client.Pipe.Value, 0, n) && n > 0;
        if (keep) {
            const auto reply = client.Lines.Receive({client.Buffer, n}, fHandler);
            keep = WriteAll(client.Pipe.Value, reply.Text,
                            DWORD(std::chrono::milliseconds(SendTimeout).count()))
                   && !reply.Close && client.StartRead();
        }
        if (!keep)
            clients.erase(clients.begin() + std::ptrdiff_t(k));
    }
    connect.Abandon(transport.Listening.Value);
}

struct TControlClient::TTransport {
    THandle Pipe;
    TPending Read;
    ~TTransport() { Read.Abandon(Pipe.Value); }
};

std::unique_ptr<TControlClient> TControlClient::Connect(const std::string &address, std::string &error)
{
    const std::wstring name = PipeName(address);
    auto transport = std::make_unique<TTransport>();
    for (int attempt = 0; attempt < 3 && !transport->Pipe; ++attempt) {
        if (!transport->Pipe.Reset(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                 nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                                                 nullptr))) {
            const DWORD code = ::GetLastError();
            if (code != ERROR_PIPE_BUSY || !::WaitNamedPipeW(name.c_str(), BusyPatienceMs)) {
                error = code == ERROR_FILE_NOT_FOUND ? address + ": no simulator listens there"
                                                     : SystemError(address, code);
                return nullptr;
            }
        }
    }
    if (!transport->Pipe) {
        error = address + ": the simulator is busy";
        return nullptr;
    }
    return std::unique_ptr<TControlClient>(new TControlClient(std::move(transport)));
}

TControlClient::TControlClient(std::unique_ptr<TTransport> transport) : fTransport(std::move(transport)) {}

TControlClient::~TControlClient() = default;

bool TControlClient::Send(std::string_view line)
{
    std::string text(line);
    text += '\n';
    return WriteAll(fTransport->Pipe.Value, text, INFINITE);
}

std::size_t TControlClient::ReadSome(char *buffer, std::size_t size, std::chrono::milliseconds patience)
{
    TTransport &transport = *fTransport;
    const DWORD timeoutMs =
        patience == std::chrono::milliseconds::max() ? INFINITE : DWORD(patience.count());
    DWORD bytes = 0;
    if (!transport.Read.Started(
            ::ReadFile(transport.Pipe.Value, buffer, DWORD(size), nullptr, transport.Read.Begin()))
        || !transport.Read.Finish(transport.Pipe.Value, timeoutMs, bytes))
        return 0;
    return bytes;
}

} // namespace V57Sim
