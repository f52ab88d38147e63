#include "tests/cli/ChildProcess.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include "platform/Kernel32.h"
#else
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace
{

const char PASSWORD_VARIABLE[] = "OVX_PASSWORD";

#ifdef _WIN32
// Quoted for CommandLineToArgv; no argument here holds a quote or ends in a backslash.
std::string Quoted(const std::string& argument) { return '"' + argument + '"'; }

HANDLE OpenInheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition, 0, nullptr);
}
#endif

} // namespace

#ifdef _WIN32

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const char* password, int)
{
    std::string commandLine = Quoted(OVX_EXTRACT_EXE);
    for (const std::string& argument : arguments)
        commandLine += ' ' + Quoted(argument);
    SetEnvironmentVariableA(PASSWORD_VARIABLE, password); // the child inherits this environment

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = OpenInheritable(m_logs.PathOf("output"), GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = OpenInheritable(m_logs.PathOf("errors"), GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process = {};
    // No console of its own: the child cannot prompt.
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                       &startup, &process))
    {
        CloseHandle(process.hThread);
        m_process = reinterpret_cast<std::intptr_t>(process.hProcess);
    }
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
}

void ChildProcess::End(int timeoutMs)
{
    if (m_process == 0)
        return;
    HANDLE process = reinterpret_cast<HANDLE>(m_process);
    DWORD code = 0;
    if (WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process, &code))
        m_nStatus = static_cast<int>(code);
    else
    {
        TerminateProcess(process, 255);
        WaitForSingleObject(process, INFINITE);
    }
    CloseHandle(process);
    m_process = 0;
}

#else

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const char* password, int terminal)
{
    std::vector<char*> argv = {const_cast<char*>(OVX_EXTRACT_EXE)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (password != nullptr) // the child inherits this environment
        setenv(PASSWORD_VARIABLE, password, 1);
    else
        unsetenv(PASSWORD_VARIABLE);

    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int output = open(ToHostPath(m_logs.PathOf("output")).c_str(), flags, 0600);
    const int errors = open(ToHostPath(m_logs.PathOf("errors")).c_str(), flags, 0600);
    const pid_t pid = fork();
    if (pid == 0)
    {
        setsid(); // no controlling terminal unless the test gives one: /dev/tty cannot be opened
        if (terminal >= 0)
            ioctl(terminal, TIOCSCTTY, 0);
        dup2(input, STDIN_FILENO);
        dup2(output, STDOUT_FILENO);
        dup2(errors, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(input);
    close(output);
    close(errors);
    m_process = pid > 0 ? pid : 0;
}

void ChildProcess::End(int timeoutMs)
{
    if (m_process == 0)
        return;
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
    }
    else
        m_nStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    m_process = 0;
}

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ReadFileText(m_logs.PathOf("output")).find(text) == std::string::npos)
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::Signal(int number)
{
    if (m_process != 0)
        kill(static_cast<pid_t>(m_process), number);
}

#endif

ChildResult ChildProcess::Wait(int timeoutMs)
{
    End(timeoutMs);
    return {m_nStatus, ReadFileText(m_logs.PathOf("output")), ReadFileText(m_logs.PathOf("errors"))};
}

ChildResult RunExtract(const std::vector<std::string>& arguments, const char* password)
{
    return ChildProcess(arguments, password).Wait(60000);
}
