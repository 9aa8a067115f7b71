// The one move-only owner of a handle: every kind of handle the programs hold (seam handles, Win32
// kernel and search handles, GDI objects) is closed exactly once through an instance of it.
#pragma once

#include <type_traits>
#include <utility>

namespace pell {

// `Closer` says what "no handle" is and how a handle is let go:
//   using Handle = ...;                     the handle type
//   static Handle None();                   the value that holds nothing
//   static bool Valid(Handle);              whether a value needs closing (more than one value may mean none)
//   void operator()(Handle) const;          closes it; may carry state (the seam a handle came from)
// The closer travels with the handle on a move, so a moved-to owner closes through the same seam.
template <typename Closer>
class Owner {
public:
    using Handle = typename Closer::Handle;

    Owner() requires std::is_default_constructible_v<Closer> = default;
    explicit Owner(Handle h, Closer closer = Closer()) : closer_(std::move(closer)), h_(h) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : closer_(other.closer_), h_(std::exchange(other.h_, Closer::None())) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            reset();
            closer_ = other.closer_;
            h_ = std::exchange(other.h_, Closer::None());
        }
        return *this;
    }
    ~Owner() { reset(); }

    Handle get() const { return h_; }
    bool valid() const { return Closer::Valid(h_); }
    // Closes the handle held (if any) and holds `h` instead.
    void reset(Handle h = Closer::None()) {
        const Handle old = std::exchange(h_, h);
        if (Closer::Valid(old)) closer_(old);
    }
    // Gives the handle up without closing it.
    Handle release() { return std::exchange(h_, Closer::None()); }
    // For calls that fill a handle through a pointer: what was held is closed first.
    Handle* out() {
        reset();
        return &h_;
    }

protected:
    const Closer& closer() const { return closer_; }

private:
    Closer closer_{};
    Handle h_ = Closer::None();
};

// The closer of the handle kinds where a value-initialised handle (0, null) is the only "none" and a
// free function closes the rest.
template <typename H, auto Close>
struct FunctionCloser {
    using Handle = H;
    static constexpr H None() { return H{}; }
    static bool Valid(H h) { return h != H{}; }
    void operator()(H h) const { Close(h); }
};

}  // namespace pell
