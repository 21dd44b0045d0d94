// The program's one failure record and the trap-and-continue mode built on it.
//
// A runtime operation that cannot do its job throws Trapped. A routine that
// runs in trap-and-continue mode opens a TrapScope: the scope clears the
// record, runs each step through step(), which turns a Trapped into an entry in
// the record (so the step's assignment never happens), and ends with report(),
// which shows what was recorded. Nothing is thrown past a routine's boundary.
#pragma once

#include <cstdint>
#include <string>

namespace runtime {

// Failure numbers and descriptions of the runtime's own operations.
enum class Fault : std::int32_t {
    InvalidArgument = 5,
    Overflow = 6,
    TypeMismatch = 13,
};

struct Trapped {
    std::int32_t number;
    std::u16string description;
};

[[noreturn]] void raise(Fault fault);

struct FailureRecord {
    std::int32_t number = 0;
    std::u16string description;
    // The last-error value left by the most recent call into the host lookup layer.
    std::int32_t systemError = 0;
};

// The record shared by the whole program (it runs on one thread).
FailureRecord& failure();

class TrapScope {
  public:
    TrapScope();
    TrapScope(const TrapScope&) = delete;
    TrapScope& operator=(const TrapScope&) = delete;

    // Runs one step; a Trapped raised inside it is recorded and the step is abandoned.
    // Returns false when the step was abandoned.
    template <class Step> bool step(Step&& body) {
        try {
            body();
            return true;
        } catch (const Trapped& t) {
            record(t);
            return false;
        }
    }

    // Records a failure of the current step without unwinding, for steps that
    // can fail many times in a row (a counter that keeps overflowing).
    static void fail(Fault fault);

    // Shows the recorded failure, if any, as a message box titled with its number,
    // then clears the record.
    void report();

  private:
    static void record(const Trapped& t);
};

} // namespace runtime
