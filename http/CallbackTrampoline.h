#pragma once
// Binding a plain C callback to one routine of one object.
//
// The socket layer calls its notifications through plain function pointers and hands back no
// pointer of ours, so it cannot tell which HttpClient a notification is for. A trampoline is a
// small piece of executable code (a libffi closure) that the layer calls like a plain function and
// that calls one routine of one object with that object put in front of the layer's arguments.
//
// The routine is chosen by its position, counted from 1, in the object's class table of routines
// (`T::RoutineTable()`). Every argument, the object included, and the result are pointer-sized
// integers: a routine bound this way has the signature
//     std::uintptr_t Routine(T* object, std::uintptr_t a1, ..., std::uintptr_t aN)
// and the trampoline has the signature std::uintptr_t (std::uintptr_t a1, ..., std::uintptr_t aN).
// The routine runs on whichever thread calls the trampoline; several calls may overlap.

#include <ffi.h>

#include <cstdint>
#include <memory>
#include <span>

namespace velmora {

// An entry of a class table of routines: any function, type-erased. A null entry marks a routine
// the class does not offer.
using RoutineAddress = void (*)();

template <typename Function>
RoutineAddress AsRoutine(Function* function) {
    return reinterpret_cast<RoutineAddress>(function);
}

// The most arguments a trampoline passes on (512 bytes of 4-byte arguments).
inline constexpr int kMaxTrampolineArguments = 128;

namespace detail {
struct ClosureDeleter {
    void operator()(ffi_closure* closure) const { ffi_closure_free(closure); }
};
using ClosureHandle = std::unique_ptr<ffi_closure, ClosureDeleter>;

// What the closure forwards to; it must outlive the closure.
struct TrampolineTarget;
struct TrampolineTargetDeleter {
    void operator()(TrampolineTarget* target) const;
};
}  // namespace detail

// One bound callback. Empty when it could not be built. Releasing it (destruction or
// assignment) frees the code: the caller makes sure nothing can call it any more.
class CallbackTrampoline {
public:
    CallbackTrampoline() = default;

    // The address to hand to the C library as its function pointer; 0 when empty.
    std::uintptr_t Address() const { return reinterpret_cast<std::uintptr_t>(code_); }
    explicit operator bool() const { return code_ != nullptr; }

private:
    friend CallbackTrampoline MakeCallbackTrampoline(void* object,
                                                     std::span<const RoutineAddress> routines,
                                                     int routineNumber, int argumentCount,
                                                     bool callerCleans);

    // Declared first so that it is released after the closure that points into it.
    std::unique_ptr<detail::TrampolineTarget, detail::TrampolineTargetDeleter> target_;
    detail::ClosureHandle closure_;
    void* code_ = nullptr;
};

// A trampoline calling routines[routineNumber - 1] with object first and the trampoline's
// argumentCount arguments after it, returning the routine's result to the caller. callerCleans
// names the caller's calling convention where the platform has a choice (32-bit x86: false means
// the callee removes its arguments, as stdcall); elsewhere there is only one and it is ignored.
// Empty when the routine number is outside the table, the entry is null, argumentCount is
// negative or above kMaxTrampolineArguments, or executable memory cannot be had.
CallbackTrampoline MakeCallbackTrampoline(void* object, std::span<const RoutineAddress> routines,
                                          int routineNumber, int argumentCount = 0,
                                          bool callerCleans = false);

// The same over the object's own class table, T::RoutineTable().
template <typename T>
CallbackTrampoline MakeCallbackTrampoline(T* object, int routineNumber, int argumentCount = 0,
                                          bool callerCleans = false) {
    return MakeCallbackTrampoline(static_cast<void*>(object), T::RoutineTable(), routineNumber,
                                  argumentCount, callerCleans);
}

}  // namespace velmora
