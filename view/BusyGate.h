// What the game has in progress: a press, a falling card, an open dialog.
//
// Each of them runs the event loop inside a call (a dialog its own loop, a
// fall on Wayland its drawing), so a request from the window system can
// arrive in the middle of it. Whatever must not run there (the way out of the
// program) asks the gate first and, while anything is in progress, leaves
// one request that runs when the last of them has ended.
#pragma once

#include <functional>
#include <utility>

class CBusyGate {
public:
    // Marks something in progress for as long as it lives; scopes nest.
    class Scope {
    public:
        explicit Scope(CBusyGate& gate) : m_gate(gate) { ++m_gate.m_nDepth; }
        ~Scope() { m_gate.Leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CBusyGate& m_gate;
    };

    bool IsBusy() const { return m_nDepth > 0; }

    // Runs request as soon as nothing is in progress: at once when nothing
    // is, otherwise when the outermost scope ends. One request waits at a
    // time; a later one takes its place.
    void WhenIdle(std::function<void()> request)
    {
        if (!IsBusy()) {
            request();
            return;
        }
        m_pending = std::move(request);
    }

private:
    void Leave()
    {
        if (--m_nDepth > 0 || !m_pending)
            return;
        // Taken out first: the request may open a scope of its own.
        const std::function<void()> request = std::move(m_pending);
        m_pending = nullptr;
        request();
    }

    int m_nDepth = 0;
    std::function<void()> m_pending;
};
