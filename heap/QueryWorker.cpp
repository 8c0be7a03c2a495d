#include "heap/QueryWorker.h"

#include <mutex>

struct QueryJob {
  explicit QueryJob(const QueryRequest& request)
      : request(request), query(request.create, request.destroy, request.query, request.systemBuild) {}

  const QueryRequest request;
  HeapQuery query;
  QueryOutcome outcome;
  // Read by the item callback on the worker, set by the dialog's thread.
  std::atomic<bool> stopRequested{false};
  // Manual-reset: the answer is in; the dialog is done with it (or stopped).
  KernelHandle answered{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  KernelHandle released{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::mutex lock;
  bool stopped = false;
};

namespace {
// The thread's own reference keeps the job alive after the dialog forgot it.
DWORD WINAPI RunQueryJob(void* parameter) {
  const std::unique_ptr<std::shared_ptr<QueryJob>> owned(static_cast<std::shared_ptr<QueryJob>*>(parameter));
  QueryJob& job = **owned;
  job.request.work(job.request, job.query, job.outcome, job.stopRequested);
  bool stopped;
  {
    const std::lock_guard guard(job.lock);
    stopped = job.stopped;
  }
  if (!stopped) {
    ::SetEvent(job.answered.Get());
    ::WaitForSingleObject(job.released.Get(), INFINITE);
  }
  job.query.Destroy();
  job.outcome.rows.Clear();  // a forgotten answer's rows go with the worker
  return 0;
}

// An answered worker has only its buffer to destroy.
constexpr DWORD kWorkerEndMs = 5000;
}  // namespace

PendingQuery::PendingQuery(const QueryRequest& request) : m_job(std::make_shared<QueryJob>(request)) {
  if (!m_job->answered || !m_job->released) return;
  auto* reference = new std::shared_ptr<QueryJob>(m_job);
  m_thread = KernelHandle(::CreateThread(nullptr, 0, &RunQueryJob, reference, 0, nullptr));
  if (!m_thread) delete reference;
}

PendingQuery::~PendingQuery() {
  if (!Started() || m_stopped) return;
  if (!Answered()) {
    Stop();
    return;
  }
  ::SetEvent(m_job->released.Get());
  ::WaitForSingleObject(m_thread.Get(), kWorkerEndMs);
}

HANDLE PendingQuery::AnswerEvent() const { return m_job->answered.Get(); }

bool PendingQuery::Answered() const { return ::WaitForSingleObject(m_job->answered.Get(), 0) == WAIT_OBJECT_0; }

void PendingQuery::Stop() {
  if (!Started() || m_stopped) return;
  m_stopped = true;
  m_job->stopRequested = true;
  {
    const std::lock_guard guard(m_job->lock);
    m_job->stopped = true;
  }
  // An answer already handed over is waiting for this to be destroyed.
  ::SetEvent(m_job->released.Get());
  m_thread.Close();
}

const QueryOutcome& PendingQuery::Outcome() const { return m_job->outcome; }
QueryOutcome& PendingQuery::Outcome() { return m_job->outcome; }
const HeapQuery& PendingQuery::Query() const { return m_job->query; }
