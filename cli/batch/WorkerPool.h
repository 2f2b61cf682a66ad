#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vantrel::cli::batch {

// What became of one job given to a worker.
struct CJobOutcome {
    bool answered = false;  // the worker answered; otherwise failure says what happened to it
    std::string answer;
    std::string failure;    // "crashed: signal N", "crashed: exit status N", "timed out"
    double seconds = 0;
};

struct CWorkerLimits {
    int workers = 1;
    std::chrono::milliseconds timeout{60000};
    std::uint64_t memoryBytes = 0;  // address-space cap of each worker; 0 for none
};

// Worker processes forked from this one, kept for job after job. A job runs inside a worker, so
// whatever it does to its process (a crash, a hang, exhausted memory) costs that job alone: a
// worker that dies or passes the timeout is killed and replaced, and the job is reported failed.
class CWorkerPool {
public:
    // job(i) runs in a worker and returns the answer for job i.
    using Job = std::function<std::string(std::size_t)>;
    // Told of each job as it ends, in the order they end; false stops the pool.
    using OutcomeHandler = std::function<bool(std::size_t, CJobOutcome)>;

    CWorkerPool(Job job, CWorkerLimits limits);
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    // Starts every worker now rather than at the first job. A process that forks while another
    // of its threads is starting up can hand the child a lock that is never released, so a
    // caller that starts threads of its own starts the workers first.
    bool StartAll(std::string& reason);

    // Runs jobs 0 .. count-1, lowest first. onWait is called at least every quarter second.
    // False when a worker could not be started or the handler stopped the pool.
    bool Run(std::size_t count, const OutcomeHandler& onOutcome, const std::function<void()>& onWait,
             std::string& reason);

    // The largest resident size any finished worker reached, in bytes.
    static std::uint64_t PeakWorkerMemory();

private:
    struct Worker {
        pid_t pid = -1;
        int requests = -1;  // parent writes job numbers
        int answers = -1;   // parent reads answers
        bool busy = false;
        std::size_t job = 0;
        std::chrono::steady_clock::time_point started;
    };

    bool Start(Worker& worker, std::string& reason);
    void Stop(Worker& worker, bool kill);
    std::string Reap(Worker& worker);
    bool Dispatch(Worker& worker, std::size_t job);
    [[noreturn]] void ServeJobs(int requests, int answers);

    Job job_;
    CWorkerLimits limits_;
    std::vector<Worker> workers_;
};

}  // namespace vantrel::cli::batch
