#pragma once

#include <functional>

#include "engine/EResult.h"

namespace EvarixTest {

// The engine reports failures by throwing its result code: the code work threw, or success.
inline int ResultOf(const std::function<void()>& work) {
  try {
    work();
    return CVFirmwareLoader::eSuccess;
  } catch (CVFirmwareLoader::EResult code) {
    return code;
  }
}

}  // namespace EvarixTest
