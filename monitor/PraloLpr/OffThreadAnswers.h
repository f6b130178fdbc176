#pragma once
// Questions of the bi-directional watch that are answered off its thread, by calls that
// cannot be cancelled and may wait long: the system's name lookup, an HTTP request within
// its bounded times. At most `kThreads` threads answer, each holding the library
// (LibraryThread.h); they end when no question is left. The watch never waits for them:
// an answer that comes after the watch has gone is dropped.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "LibraryThread.h"
#include "Unique.h"

template <typename Question, typename Answer, Answer (*Work)(const Question&), int kThreads>
class OffThreadAnswers {
 public:
  OffThreadAnswers() : shared_(std::make_shared<Shared>()) {}
  ~OffThreadAnswers() {
    std::lock_guard lock(shared_->mutex);
    shared_->abandoned = true;
  }
  OffThreadAnswers(const OffThreadAnswers&) = delete;
  OffThreadAnswers& operator=(const OffThreadAnswers&) = delete;

  // Signalled when answers wait to be taken.
  HANDLE Ready() const { return shared_->ready.get(); }

  void Ask(uint64_t asker, Question question) {
    std::lock_guard lock(shared_->mutex);
    shared_->asked.emplace_back(asker, std::move(question));
    if (shared_->threads >= kThreads) return;
    auto* held = new std::shared_ptr<Shared>(shared_);
    if (StartLibraryThread(Answering, held))
      ++shared_->threads;
    else
      delete held;
  }

  // The answers that came in, each with its asker.
  std::vector<std::pair<uint64_t, Answer>> Take() {
    std::lock_guard lock(shared_->mutex);
    ResetEvent(shared_->ready.get());
    return std::exchange(shared_->answered, {});
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::deque<std::pair<uint64_t, Question>> asked;
    std::vector<std::pair<uint64_t, Answer>> answered;
    UniqueHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    int threads = 0;
    bool abandoned = false;  // the watch has gone: nobody takes answers any more
  };

  // Takes the next question, or ends the thread's turn when none is left.
  static bool Next(Shared& shared, std::pair<uint64_t, Question>& question) {
    std::lock_guard lock(shared.mutex);
    if (shared.abandoned || shared.asked.empty()) {
      --shared.threads;
      return false;
    }
    question = std::move(shared.asked.front());
    shared.asked.pop_front();
    return true;
  }

  static DWORD Answering(void* parameter) {
    std::unique_ptr<std::shared_ptr<Shared>> held(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared& shared = **held;
    for (std::pair<uint64_t, Question> question; Next(shared, question);) {
      Answer answer = Work(question.second);
      std::lock_guard lock(shared.mutex);
      if (shared.abandoned) continue;
      shared.answered.emplace_back(question.first, std::move(answer));
      SetEvent(shared.ready.get());
    }
    return 0;
  }

  std::shared_ptr<Shared> shared_;
};
