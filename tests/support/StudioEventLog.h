// The studio's events as a view hears them, kept for a test to look at.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "StudioEvents.h"

// Keeps every event; fails a test when two are delivered at once.
class CEventLog : public CStudioObserver {
public:
    void OnStudioEvent(const SStudioEvent& event) override {
        EXPECT_FALSE(m_bInside.exchange(true)) << "two events delivered at once";
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back(event);
        }
        if (m_onEvent) {
            m_onEvent(event);
        }
        m_bInside = false;
    }
    std::vector<SStudioEvent> Of(uint32_t nId) const {
        std::lock_guard lock(m_mutex);
        std::vector<SStudioEvent> events;
        for (const SStudioEvent& event : m_events) {
            if (event.m_nRecording == nId) {
                events.push_back(event);
            }
        }
        return events;
    }
    std::vector<SStudioEvent::EKind> Kinds(uint32_t nId) const {
        std::vector<SStudioEvent::EKind> kinds;
        for (const SStudioEvent& event : Of(nId)) {
            if (event.m_eKind != SStudioEvent::EKind::kProgress) {
                kinds.push_back(event.m_eKind);
            }
        }
        return kinds;
    }
    std::function<void(const SStudioEvent&)> m_onEvent;

private:
    mutable std::mutex m_mutex;
    std::vector<SStudioEvent> m_events;
    std::atomic<bool> m_bInside{false};
};
