// One heap query on a worker thread of its own. The query runs inside the
// target and can wait for up to a minute, so the dialog's thread never
// makes it: the worker creates the buffer, queries (and grows) it, hands
// the answer over, and destroys the buffer once the dialog has read it.
// A query whose wait was stopped is forgotten: when it returns, its worker
// destroys the buffer itself and nothing it found reaches a table.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "analysis/TypeNames.h"
#include "heap/BlockRows.h"
#include "heap/HeapQuery.h"
#include "heap/ProcessHandle.h"

// What the worker learnt, read by the dialog once the answer is in.
struct QueryOutcome {
  bool created = false;  // a buffer came from the service
  int32_t status = 0;    // the last query's status
  uint64_t queryMs = 0;  // how long the last query took
  bool hasHeapList = false;
  // The block table's query of the system's items: the target could not
  // be opened for it; it was made (then the rows are its answer).
  bool openFailed = false;
  bool fromItems = false;
  int32_t itemStatus = 0;
  BlockRows rows;
  TypeNames types;  // what the rows' types index
};

struct QueryRequest {
  PfnRtlCreateQueryDebugBuffer create;
  PfnRtlDestroyQueryDebugBuffer destroy;
  PfnRtlQueryProcessDebugInformation query;
  uint32_t systemBuild;
  uint32_t processId;
  // What the worker does: create the buffer and query it, or ask for the
  // items of one heap (stopping when `stop` is set).
  void (*work)(const QueryRequest& request, HeapQuery& query, QueryOutcome& outcome, const std::atomic<bool>& stop);
  // For the block table: the system's extended call (null where ntdll has
  // none), the heap, and how many rows to make room for.
  PfnRtlQueryHeapInformation queryHeap = nullptr;
  uint64_t heapBase = 0;
  uint32_t rowHint = 0;
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
  // Stops waiting because the answer took too long.
  void GiveUp() {
    Stop();
    m_gaveUp = true;
  }
  bool GaveUp() const { return m_gaveUp; }

  // Only once answered, and not stopped.
  const QueryOutcome& Outcome() const;
  QueryOutcome& Outcome();
  const HeapQuery& Query() const;

 private:
  std::shared_ptr<QueryJob> m_job;
  KernelHandle m_thread;
  bool m_stopped = false;
  bool m_gaveUp = false;
};
