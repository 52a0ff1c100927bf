// A fixture that gives each test a fresh toolbox: the application object exists, alerts and
// beeps are recorded, and every window, handler and timer is gone afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/draw.h"
#include "platform/events.h"
#include "platform/test_hooks.h"
#include "platform/window.h"

class ToolboxTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// The four-character code of a string of four characters.
OSType code_of(const char* four);

// The user presses the window's content at the first local (h, v) point, moves through the
// others and lets go at the last.
void press_through(WindowRef window, const std::vector<std::pair<int, int>>& local);

// Form text of a hidden document window of the given size, holding extra widget XML.
std::string document_form(int width, int height, const std::string& children = "");
