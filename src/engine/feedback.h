#pragma once

namespace kivo {

// Progress and question channel between the engine and the program. The program creates it and
// hands it to the project; the engine may report through it but never needs an answer.
class Feedback {
public:
    virtual ~Feedback() = default;
    virtual void feedback(const char* /*text*/) {}
    virtual int decision(const char* /*question*/) { return 0; }

    void* theApp = nullptr; // the application object, opaque to the engine
};

} // namespace kivo
