#include "tests/cli/ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include "platform/Kernel32.h"
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace
{

const char PASSWORD_VARIABLE_PREFIX[] = "OVX_PASSWORD=";

bool HasName(const std::string& entry, const std::vector<std::string>& entries)
{
    const size_t nameEnd = entry.find('=', 1);
    for (const std::string& other : entries)
        if (nameEnd != std::string::npos && other.compare(0, nameEnd + 1, entry, 0, nameEnd + 1) == 0)
            return true;
    return false;
}

// This process's environment, less OVX_PASSWORD and the names `extra` sets, plus `extra`.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> entries;
#ifdef _WIN32
    char* block = GetEnvironmentStringsA();
    for (const char* entry = block; *entry != '\0'; entry += std::strlen(entry) + 1)
        entries.emplace_back(entry);
    FreeEnvironmentStringsA(block);
#else
    for (char** entry = environ; *entry != nullptr; ++entry)
        entries.emplace_back(*entry);
#endif
    std::vector<std::string> result;
    for (const std::string& entry : entries)
        if (entry.compare(0, std::strlen(PASSWORD_VARIABLE_PREFIX), PASSWORD_VARIABLE_PREFIX) != 0 &&
            !HasName(entry, extra))
            result.push_back(entry);
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

#ifdef _WIN32
// One argument quoted for CommandLineToArgv: backslashes double only before a quote.
std::string QuoteArgument(const std::string& argument)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument)
    {
        if (c == '\\')
        {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    quoted.push_back('"');
    return quoted;
}
#endif

} // namespace

void ChildProcess::ReadPipe(std::intptr_t pipe, std::string* sink)
{
    char buffer[4096];
    for (;;)
    {
#ifdef _WIN32
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(pipe), buffer, sizeof buffer, &got, nullptr) || got == 0)
            break;
#else
        ssize_t got = read(static_cast<int>(pipe), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
#endif
        std::lock_guard<std::mutex> lock(m_mutex);
        sink->append(buffer, static_cast<size_t>(got));
    }
#ifdef _WIN32
    CloseHandle(reinterpret_cast<HANDLE>(pipe));
#else
    close(static_cast<int>(pipe));
#endif
    if (sink == &m_strOutput)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bOutputEnded = true;
    }
}

#ifdef _WIN32

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                           int)
{
    std::string commandLine;
    for (const std::string& argument : arguments)
    {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += QuoteArgument(argument);
    }
    std::string block;
    for (const std::string& entry : ChildEnvironment(environment))
        block += entry + '\0';
    block += '\0';

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outputRead = nullptr, outputWrite = nullptr, errorRead = nullptr, errorWrite = nullptr;
    CreatePipe(&outputRead, &outputWrite, &inherit, 0);
    CreatePipe(&errorRead, &errorWrite, &inherit, 0);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errorRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outputWrite;
    startup.hStdError = errorWrite;
    PROCESS_INFORMATION process = {};
    // No console of its own: the child cannot prompt.
    m_bStarted = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, block.data(),
                                nullptr, &startup, &process) != 0;
    CloseHandle(outputWrite);
    CloseHandle(errorWrite);
    CloseHandle(input);
    if (m_bStarted)
    {
        CloseHandle(process.hThread);
        m_process = reinterpret_cast<std::intptr_t>(process.hProcess);
    }
    m_outputReader = std::thread(&ChildProcess::ReadPipe, this, reinterpret_cast<std::intptr_t>(outputRead),
                                 &m_strOutput);
    m_errorReader = std::thread(&ChildProcess::ReadPipe, this, reinterpret_cast<std::intptr_t>(errorRead),
                                &m_strErrors);
}

void ChildProcess::Interrupt() {}

int ChildProcess::Wait(int timeoutMs)
{
    if (m_bStarted && !m_bWaited)
    {
        HANDLE process = reinterpret_cast<HANDLE>(m_process);
        if (WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        {
            TerminateProcess(process, 255);
            WaitForSingleObject(process, INFINITE);
            m_nStatus = -1;
        }
        else
        {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            m_nStatus = static_cast<int>(code);
        }
        CloseHandle(process);
        m_bWaited = true;
    }
    if (m_outputReader.joinable())
        m_outputReader.join();
    if (m_errorReader.joinable())
        m_errorReader.join();
    return m_nStatus;
}

#else

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                           int terminal)
{
    // Everything the child needs is prepared before fork: only async-signal-safe calls follow.
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::vector<std::string> entries = ChildEnvironment(environment);
    std::vector<char*> envp;
    for (const std::string& entry : entries)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    int output[2], errors[2];
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0)
        return;
    const pid_t pid = fork();
    if (pid == 0)
    {
        setsid(); // no controlling terminal unless the test gives one: /dev/tty cannot be opened
        if (terminal >= 0)
            ioctl(terminal, TIOCSCTTY, 0);
        const int input = open("/dev/null", O_RDONLY);
        dup2(input, STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(errors[1], STDERR_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(output[1]);
    close(errors[1]);
    m_bStarted = pid > 0;
    m_process = pid;
    m_outputReader = std::thread(&ChildProcess::ReadPipe, this, output[0], &m_strOutput);
    m_errorReader = std::thread(&ChildProcess::ReadPipe, this, errors[0], &m_strErrors);
}

void ChildProcess::Interrupt()
{
    if (m_bStarted && !m_bWaited)
        kill(static_cast<pid_t>(m_process), SIGINT);
}

int ChildProcess::Wait(int timeoutMs)
{
    if (m_bStarted && !m_bWaited)
    {
        const pid_t pid = static_cast<pid_t>(m_process);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (done == 0)
        {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            m_nStatus = -1;
        }
        else
            m_nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_bWaited = true;
    }
    if (m_outputReader.joinable())
        m_outputReader.join();
    if (m_errorReader.joinable())
        m_errorReader.join();
    return m_nStatus;
}

#endif

ChildProcess::~ChildProcess() { Wait(0); }

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_strOutput.find(text) != std::string::npos)
                return true;
            if (m_bOutputEnded)
                return false;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string ChildProcess::Output()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strOutput;
}

std::string ChildProcess::Errors()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strErrors;
}

ChildResult RunChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment)
{
    ChildProcess child(arguments, environment);
    const int status = child.Wait(60000);
    return {status, child.Output(), child.Errors()};
}
