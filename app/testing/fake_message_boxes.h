#pragma once
// The application's tests use the one fake of the message-box seam.
#include "common/testing/fake_message_boxes.h"

namespace zeph::app::testing {

using zeph::testing::FakeMessageBoxes;

}  // namespace zeph::app::testing
