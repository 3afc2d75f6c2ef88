#pragma once
// Base of the drawing attributes (font, pen, brush): a change callback and a change counter. The
// counter stands in for the platform's object handle: it changes whenever the attributes do, so a
// holder can tell cheaply whether a font or pen it applied earlier is still the same.
#include <atomic>
#include <cstdint>
#include <functional>

namespace gfx {

class TGraphicsObject {
public:
    std::function<void()> OnChange;
    std::uint64_t Generation() const { return generation_; }

protected:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) : generation_(nextGeneration()) {}
    TGraphicsObject& operator=(const TGraphicsObject&) { Changed(); return *this; }
    ~TGraphicsObject() = default;

    // Stores a changed value and tells the holder; an equal value changes nothing.
    template <class T>
    void SetField(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        Changed();
    }

    void Changed()
    {
        generation_ = nextGeneration();
        if (OnChange)
            OnChange();
    }

private:
    static std::uint64_t nextGeneration()
    {
        static std::atomic<std::uint64_t> counter{0};
        return ++counter;
    }
    std::uint64_t generation_ = nextGeneration();
};

} // namespace gfx
