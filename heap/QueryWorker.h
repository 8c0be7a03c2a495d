// One heap query on a worker thread of its own. The query runs inside the
// target and can wait for up to a minute, so the dialog's thread never
// makes it: the worker creates the buffer, queries (and grows) it, hands
// the answer over, and destroys the buffer once the dialog has read it.
// A query whose wait was stopped is forgotten: when it returns, its worker
// destroys the buffer itself and nothing it found reaches a table.
#pragma once

#include <cstdint>
#include <memory>

#include "heap/HeapQuery.h"
#include "heap/ProcessHandle.h"

// What the worker learnt, read by the dialog once the answer is in.
struct QueryOutcome {
  bool created = false;  // a buffer came from the service
  int32_t status = 0;    // the last query's status
  uint64_t queryMs = 0;  // how long the last query took
  bool hasHeapList = false;
};

struct QueryRequest {
  PfnRtlCreateQueryDebugBuffer create;
  PfnRtlDestroyQueryDebugBuffer destroy;
  PfnRtlQueryProcessDebugInformation query;
  uint32_t systemBuild;
  uint32_t processId;
  // What the worker does with its query: create the buffer and query it.
  void (*work)(HeapQuery& query, uint32_t processId, QueryOutcome& outcome);
};

struct QueryJob;

class PendingQuery {
 public:
  // Starts the worker; Started() is false when no thread could be made.
  explicit PendingQuery(const QueryRequest& request);
  PendingQuery(const PendingQuery&) = delete;
  PendingQuery& operator=(const PendingQuery&) = delete;
  // Lets an answered worker destroy its buffer and end (waited for: that
  // is quick), or forgets a query that has not answered.
  ~PendingQuery();

  bool Started() const { return m_thread.Get() != nullptr; }
  // Signalled when the answer is in.
  HANDLE AnswerEvent() const;
  bool Answered() const;
  // Forgets the query; its worker cleans up by itself when it returns.
  void Stop();
  bool Stopped() const { return m_stopped; }

  // Only once answered, and not stopped.
  const QueryOutcome& Outcome() const;
  const HeapQuery& Query() const;

 private:
  std::shared_ptr<QueryJob> m_job;
  KernelHandle m_thread;
  bool m_stopped = false;
};
