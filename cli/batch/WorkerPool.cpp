#include "batch/WorkerPool.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::cli::batch {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr std::uint32_t kLargestAnswer = 64u << 20;

bool ReadFully(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteFully(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void CloseIfOpen(int& fd)
{
    if (fd != -1) ::close(fd);
    fd = -1;
}

}  // namespace

CWorkerPool::CWorkerPool(Job job, CWorkerLimits limits) : job_(std::move(job)), limits_(limits)
{
    // A worker that dies leaves a pipe that refuses writes; that is an outcome, not our end.
    std::signal(SIGPIPE, SIG_IGN);
    workers_.resize(static_cast<std::size_t>(std::max(1, limits_.workers)));
}

CWorkerPool::~CWorkerPool()
{
    for (Worker& worker : workers_) Stop(worker, worker.busy);
}

bool CWorkerPool::Start(Worker& worker, std::string& reason)
{
    int requests[2];
    int answers[2];
    if (::pipe2(requests, O_CLOEXEC) != 0) {
        reason = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(answers, O_CLOEXEC) != 0) {
        reason = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(requests[0]), ::close(requests[1]);
        return false;
    }
    // Buffered output would be written twice, once by each process.
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == -1) {
        reason = std::string("cannot start a worker: ") + std::strerror(errno);
        for (int fd : {requests[0], requests[1], answers[0], answers[1]}) ::close(fd);
        return false;
    }
    if (pid == 0) {
        // The other workers' pipes must close here, or a dead worker's pipe would never end.
        for (Worker& other : workers_) CloseIfOpen(other.requests), CloseIfOpen(other.answers);
        ::close(requests[1]);
        ::close(answers[0]);
        // A worker outlives no batch, even one killed outright while the worker hangs.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(0);
        ServeJobs(requests[0], answers[1]);
    }
    ::close(requests[0]);
    ::close(answers[1]);
    worker.pid = pid;
    worker.requests = requests[1];
    worker.answers = answers[0];
    worker.busy = false;
    return true;
}

void CWorkerPool::ServeJobs(int requests, int answers)
{
    // AddressSanitizer reserves terabytes of address space up front, so its builds run uncapped.
    if (limits_.memoryBytes != 0 && !kAddressSanitizer) {
        const rlimit cap{limits_.memoryBytes, limits_.memoryBytes};
        ::setrlimit(RLIMIT_AS, &cap);
    }
    std::uint64_t job = 0;
    while (ReadFully(requests, &job, sizeof job)) {
        std::string answer;
        try {
            answer = job_(static_cast<std::size_t>(job));
        } catch (...) {
            ::_exit(70);
        }
        const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::size_t>(answer.size(), kLargestAnswer));
        if (!WriteFully(answers, &size, sizeof size) || !WriteFully(answers, answer.data(), size)) break;
    }
    // No destructors or buffered output of the parent's objects: those are the parent's to run.
    ::_exit(0);
}

std::string CWorkerPool::Reap(Worker& worker)
{
    int status = 0;
    pid_t waited;
    do waited = ::waitpid(worker.pid, &status, 0);
    while (waited == -1 && errno == EINTR);
    worker.pid = -1;
    CloseIfOpen(worker.requests);
    CloseIfOpen(worker.answers);
    if (waited == -1) return "crashed";
    if (WIFSIGNALED(status)) return "crashed: signal " + std::to_string(WTERMSIG(status));
    return "crashed: exit status " + std::to_string(WEXITSTATUS(status));
}

void CWorkerPool::Stop(Worker& worker, bool kill)
{
    if (worker.pid == -1) return;
    if (kill) ::kill(worker.pid, SIGKILL);
    CloseIfOpen(worker.requests);  // an idle worker ends when its requests end
    Reap(worker);
}

bool CWorkerPool::StartAll(std::string& reason)
{
    for (Worker& worker : workers_)
        if (worker.pid == -1 && !Start(worker, reason)) return false;
    return true;
}

bool CWorkerPool::Dispatch(Worker& worker, std::size_t job)
{
    const std::uint64_t number = job;
    if (!WriteFully(worker.requests, &number, sizeof number)) return false;
    worker.busy = true;
    worker.job = job;
    worker.started = std::chrono::steady_clock::now();
    return true;
}

bool CWorkerPool::Run(std::size_t count, const OutcomeHandler& onOutcome, const std::function<void()>& onWait,
                      std::string& reason)
{
    using Clock = std::chrono::steady_clock;
    std::size_t next = 0;
    bool going = true;
    auto finish = [&](Worker& worker, CJobOutcome outcome) {
        worker.busy = false;
        outcome.seconds = std::chrono::duration<double>(Clock::now() - worker.started).count();
        if (!onOutcome(worker.job, std::move(outcome))) going = false;
    };
    auto anyBusy = [&] { return std::any_of(workers_.begin(), workers_.end(), [](const Worker& w) { return w.busy; }); };

    while (going && (next < count || anyBusy())) {
        for (Worker& worker : workers_) {
            if (worker.busy || next >= count) continue;
            if (worker.pid == -1 && !Start(worker, reason)) return false;
            // A worker that died while idle is replaced and the job given to the new one.
            if (!Dispatch(worker, next)) {
                Reap(worker);
                if (!Start(worker, reason)) return false;
                if (!Dispatch(worker, next)) {
                    reason = "a new worker would not take a job";
                    return false;
                }
            }
            ++next;
        }

        std::vector<pollfd> watched;
        std::vector<Worker*> owners;
        auto wait = std::chrono::milliseconds(250);
        const auto now = Clock::now();
        for (Worker& worker : workers_) {
            if (!worker.busy) continue;
            watched.push_back({worker.answers, POLLIN, 0});
            owners.push_back(&worker);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(worker.started + limits_.timeout - now);
            wait = std::clamp(left + std::chrono::milliseconds(1), std::chrono::milliseconds(0), wait);
        }
        const int ready = ::poll(watched.data(), watched.size(), static_cast<int>(wait.count()));
        if (ready < 0 && errno != EINTR) {
            reason = std::string("cannot wait for the workers: ") + std::strerror(errno);
            return false;
        }
        for (std::size_t i = 0; i < watched.size() && going; ++i) {
            Worker& worker = *owners[i];
            if (ready > 0 && watched[i].revents != 0) {
                CJobOutcome outcome;
                std::uint32_t size = 0;
                if (ReadFully(worker.answers, &size, sizeof size) && size <= kLargestAnswer) {
                    outcome.answer.resize(size);
                    outcome.answered = ReadFully(worker.answers, outcome.answer.data(), size);
                }
                if (!outcome.answered) {
                    outcome.answer.clear();
                    outcome.failure = Reap(worker);
                }
                finish(worker, std::move(outcome));
            } else if (Clock::now() - worker.started >= limits_.timeout) {
                Stop(worker, true);
                finish(worker, CJobOutcome{false, {}, "timed out", 0});
            }
        }
        if (onWait) onWait();
    }
    return going;
}

std::uint64_t CWorkerPool::PeakWorkerMemory()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

}  // namespace vantrel::cli::batch
