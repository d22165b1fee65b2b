#pragma once

#include "EngineTestContext.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>
#include <memory>

// What every engine test case runs in: manual time, a data folder of its own, a save folder and the window as the
// engines see it. Made afresh for each case (the test's init()) and taken down newest first (its cleanup()).
class EngineTestFixture
{
protected:
    void setUpFixture()
    {
        m_clock = std::make_unique<ManualClock>();
        m_home = std::make_unique<TestHome>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_context = std::make_unique<EngineTestContext>();
    }
    void tearDownFixture()
    {
        m_context.reset();
        m_dir.reset();
        m_home.reset();
        m_clock.reset();
    }

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EngineTestContext> m_context;
};
