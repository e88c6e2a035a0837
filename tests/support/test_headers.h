// The precompiled header of the test programs: GoogleTest, gmock, the standard library parts most
// tests use and the platform's own headers. Nothing here depends on the language build, so one
// compile serves every test program of a tree.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "win/activation_context.h"
#include "win/base.h"
#include "win/compstui.h"
#include "win/ddi.h"
#include "win/devmode.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/monitor.h"
#include "win/nls.h"
#include "win/printer_ui.h"
#include "win/property_sheet.h"
#include "win/registry.h"
#include "win/spool.h"
#include "win/tree_view.h"
#include "win/user.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_msg.h"
#include "win/version.h"
#include "plat/control.h"
#include "plat/dialog_template.h"
#include "plat/gdi_control.h"
#include "plat/host_text.h"
#include "plat/menu_script.h"
#include "plat/menu_template.h"
#include "plat/message_box.h"
#include "plat/message_window.h"
#include "plat/monitor_host.h"
#include "plat/ordinal_table.h"
#include "plat/resource_table.h"
#include "plat/threads.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
