#include "Loader.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>

#include "DFUImageFile.h"
#include "DFUImageResource.h"
#include "Diagnostics.h"
#include "DriverCheck.h"
#include "EResult.h"
#include "ScopedLock.h"
#include "platform/Platform.h"

namespace CVFirmwareLoader {

std::atomic<int> Loader::lastCheck{static_cast<int>(FirmwareCheck::NotReady)};

namespace {

constexpr int AsInt(FirmwareCheck check) {
  return static_cast<int>(check);
}
constexpr int AsInt(UpdateStatus status) {
  return static_cast<int>(status);
}

class InfoTextReader {
 public:
  explicit InfoTextReader(const std::wstring& text) : text_(text) {}

  // Three items of one character and a hexadecimal number, then a word; the word is empty when
  // any item does not parse.
  std::wstring FourthItem() {
    for (int item = 0; item < 3; ++item) {
      SkipSpace();
      if (AtEnd()) return {};
      ++at_;  // the item's letter carries nothing we use
      if (!SkipHexNumber()) return {};
    }
    SkipSpace();
    const size_t start = at_;
    while (!AtEnd() && !std::iswspace(text_[at_])) ++at_;
    return text_.substr(start, at_ - start);
  }

 private:
  bool AtEnd() const { return at_ >= text_.size(); }
  void SkipSpace() {
    while (!AtEnd() && std::iswspace(text_[at_])) ++at_;
  }
  bool SkipHexNumber() {
    SkipSpace();
    if (text_.compare(at_, 2, L"0x") == 0 || text_.compare(at_, 2, L"0X") == 0) at_ += 2;
    const size_t start = at_;
    while (!AtEnd() && std::iswxdigit(text_[at_])) ++at_;
    return at_ > start;
  }

  const std::wstring& text_;
  size_t at_ = 0;
};

// A version text as a hexadecimal number: leading space skipped, "0x" optional.
std::optional<uint32_t> ParseVersionText(const std::wstring& text) {
  size_t at = text.find_first_not_of(L" \t\r\n\f\v");
  if (at == std::wstring::npos) return std::nullopt;
  if (text.compare(at, 2, L"0x") == 0 || text.compare(at, 2, L"0X") == 0) at += 2;
  uint32_t value = 0;
  size_t digits = 0;
  for (; at < text.size() && std::iswxdigit(text[at]); ++at, ++digits) {
    const wchar_t ch = static_cast<wchar_t>(std::towupper(text[at]));
    value = value * 16 + static_cast<uint32_t>(ch <= L'9' ? ch - L'0' : ch - L'A' + 10);
    if (value > 0xFFFF) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

}  // namespace

Loader::Loader(int modelId_, const std::string& lockName)
    : modelId(modelId_),
      lock(lockName),
      downloadLock(lockName),
      worker(&Loader::UpdateThreadProc, this) {
  ChooseModelRecord();
  if (modelRecord != nullptr) OpenImage();
  ClearSamples();
}

Loader::~Loader() {
  stateCallback = nullptr;
  if (worker.IsRunning()) {
    CancelDevice();
    worker.Join();
    worker.Close();
  }
  DeleteDevice();
}

void Loader::ChooseModelRecord() {
  for (const SupportedModel* record = SupportedModelTable; record->endMarker == 0; ++record) {
    if (record->modelNumber != modelId) continue;
    if (record->driverFilePath != nullptr) {
      driverPresent = DriverCheck::IsDriverInstalled(record->driverFilePath);
    }
    if (driverPresent) {
      modelRecord = record;
      return;
    }
  }
}

void Loader::OpenImage() {
  try {
    if (modelRecord->firmwareResourceName != nullptr) {
      image = std::make_unique<DFUImageResource>(modelRecord->firmwareResourceName);
    } else if (modelRecord->firmwareFileName != nullptr) {
      image = std::make_unique<DFUImageFile>(modelRecord->firmwareFileName);
    } else {
      throw eNoResource;
    }
    if (image->GetProductId() != modelRecord->applicationProductId ||
        image->GetUpdateModeProductId() != modelRecord->updateModeProductId) {
      throw eInvalidImage;
    }
  } catch (EResult failure) {
    Diagnostics::CodeLine(stderr, "Error: failed to open and validate firmware image file (",
                          failure);
    image.reset();
  }
}

int Loader::SetStateCallback(StateCallback callback) {
  if (callback == nullptr) return eInvalidArgument;
  stateCallback = callback;
  return eSuccess;
}

void Loader::ClearStateCallback() {
  stateCallback = nullptr;
}

void Loader::NotifyStateChange() {
  if (StateCallback callback = stateCallback.load()) callback(this);
}

int Loader::CheckFirmware() {
  ScopedLock guard(lock);
  const int check = EvaluateFirmware();
  lastCheck = check;
  return check;
}

int Loader::EvaluateFirmware() {
  if (!driverPresent) return AsInt(FirmwareCheck::DriverMissing);
  switch (state) {
    case State::NoDevice:
      return AsInt(FirmwareCheck::NoKeyboard);
    case State::AwaitingUpdateMode:
      return lastCheck.load();
    case State::Ready:
    case State::Downloading:
      if (device.load() == nullptr || image == nullptr) throw eFailed;
      return CompareFirmware();
    default:
      return AsInt(FirmwareCheck::NotReady);
  }
}

int Loader::CompareFirmware() {
  Device& attached = *device.load();
  if (attached.IsInUpdateMode()) return AsInt(FirmwareCheck::UpdateRequired);
  if (InfoTextReader(attached.GetInfoText()).FourthItem() == L"INVALID!") {
    return AsInt(FirmwareCheck::UpdateRequired);
  }
  const auto version = ParseVersionText(attached.GetFirmwareVersion());
  // A keyboard whose version cannot be read is offered no update rather than a guess.
  if (!version) return AsInt(FirmwareCheck::NotReady);
  if (*version < kTargetVersion) return AsInt(FirmwareCheck::UpdateAvailable);
  if (*version > kTargetVersion) return AsInt(FirmwareCheck::DeviceNewer);
  return AsInt(FirmwareCheck::UpToDate);
}

std::wstring Loader::GetDeviceFirmwareVersion() {
  ScopedLock guard(lock);
  const Device* attached = device.load();
  return attached != nullptr ? attached->GetFirmwareVersion() : L"<n/a>";
}

std::vector<std::wstring> Loader::GetImageVersions() {
  if (image == nullptr) return {};
  return {image->GetVersion()};
}

int Loader::StartUpdate(const std::wstring& version) {
  ScopedLock guard(lock);
  Device* attached = device.load();
  if (image == nullptr || attached == nullptr) return eNoResource;
  if (version != image->GetVersion()) return eInvalidArgument;
  if (state != State::Ready) return eNotReady;
  const bool inUpdateMode = attached->IsInUpdateMode();
  const int started = inUpdateMode ? StartWorker() : attached->EnterUpdateMode();
  if (started != eSuccess) {
    status = AsInt(UpdateStatus::Failed);
    return started;
  }
  state = inUpdateMode ? State::Downloading : State::AwaitingUpdateMode;
  status = AsInt(UpdateStatus::Running);
  return eSuccess;
}

int Loader::StartWorker() {
  ClearSamples();
  worker.Close();
  return worker.Start();
}

int Loader::AbortUpdate() {
  try {
    if (EndWaitForUpdateMode()) return eSuccess;
  } catch (EResult failure) {
    return failure;
  }
  if (!worker.IsRunning()) return eNotReady;
  CancelDevice();
  worker.Join();
  worker.Close();
  return eSuccess;
}

// A keyboard that never returns in update mode would otherwise keep the loader waiting for good.
bool Loader::EndWaitForUpdateMode() {
  ScopedLock guard(lock);
  if (state != State::AwaitingUpdateMode) return false;
  state = device.load() != nullptr ? State::Ready : State::NoDevice;
  status = AsInt(UpdateStatus::Failed);
  return true;
}

void Loader::CancelDevice() {
  std::lock_guard guard(deviceMutex);
  if (Device* attached = device.load()) attached->Cancel();
}

void Loader::DeleteDevice() {
  std::lock_guard guard(deviceMutex);
  delete device.exchange(nullptr);
}

int Loader::GetProgress(int& percent, int& secondsLeft) {
  const int current = status.load();
  Samples taken;
  {
    std::lock_guard guard(samplesMutex);
    taken = samples;
  }
  const int ceiling = modelRecord != nullptr ? modelRecord->timeLeftCeilingSeconds : 0;
  percent = 0;
  secondsLeft = ceiling;
  if (current != AsInt(UpdateStatus::Running) || taken.count == 0) return current;
  const double latest = taken.count == 1 ? taken.firstPercent : taken.lastPercent;
  percent = static_cast<int>(latest + 0.5);
  if (taken.count > 1) secondsLeft = std::min(ceiling, SecondsLeft(taken));
  return current;
}

int Loader::SecondsLeft(const Samples& taken) const {
  const int ceiling = modelRecord != nullptr ? modelRecord->timeLeftCeilingSeconds : 0;
  const double done = taken.lastPercent;
  const double progressed = done - taken.firstPercent;
  // Too little progress, or none since the first report, says nothing about the pace yet.
  if (done < 2.0 || progressed <= 0) return ceiling;
  const uint32_t elapsed = taken.lastTick - taken.firstTick;  // right across a counter wrap
  const double estimate = elapsed * (100.0 - done) / (progressed * 1000.0) + 0.5;
  return estimate >= ceiling ? ceiling : static_cast<int>(estimate);
}

bool Loader::AttachDevice(Device* dev) {
  ScopedLock guard(lock);
  if (device.load() != nullptr) return false;
  switch (state) {
    case State::NoDevice:
      device = dev;
      state = image != nullptr ? State::Ready : State::NoImage;
      NotifyStateChange();
      return true;
    case State::AwaitingUpdateMode:
      device = dev;
      if (dev->IsInUpdateMode() && StartWorker() == eSuccess) {
        state = State::Downloading;
      } else {
        state = State::Ready;
        status = AsInt(UpdateStatus::Failed);
      }
      return true;
    default:
      throw eFailed;
  }
}

void Loader::DetachDevice(Device* dev) {
  ScopedLock guard(lock);
  if (dev == nullptr || dev != device.load()) throw eFailed;
  switch (state) {
    case State::NoImage:
    case State::Ready:
      if (status == AsInt(UpdateStatus::Running)) throw eFailed;
      state = State::NoDevice;
      if (worker.IsRunning()) {
        // A download that has reported its success may still be resetting the keyboard, whose
        // leaving is what brought us here: the device may go only once the worker is done.
        EndWorkerAndDeleteDevice(guard);
        ScopedLock again(lock);
        NotifyStateChange();
        return;
      }
      DeleteDevice();
      NotifyStateChange();
      return;
    case State::AwaitingUpdateMode:
      if (status != AsInt(UpdateStatus::Running)) throw eFailed;
      DeleteDevice();  // the keyboard is on its way back in update mode
      return;
    case State::Downloading:
      state = State::NoDevice;
      status = AsInt(UpdateStatus::Failed);
      // The keyboard has gone: waking the download from a long poll wait only hurries its end.
      CancelDevice();
      EndWorkerAndDeleteDevice(guard);
      return;
    default:
      throw eFailed;
  }
}

// The worker reports under the lock, so the lock must be free while we wait for the worker.
void Loader::EndWorkerAndDeleteDevice(ScopedLock& guard) {
  guard.Release();
  worker.Join();
  worker.Close();
  DeleteDevice();
}

bool Loader::IsDriverUpdateNeeded() {
  std::lock_guard guard(deviceMutex);
  Device* attached = device.load();
  DriverVersion version;
  return attached == nullptr || !attached->GetDriverVersion(version) ||
         !DriverCheck::IsDriverCurrent(version);
}

int Loader::OnProgress(int code, double percent) {
  ScopedLock guard(lock);
  if (state != State::Downloading) throw eFailed;
  if (code == kRunning) {
    status = AsInt(UpdateStatus::Running);
    const uint32_t tick = Platform().clock->TickCount();
    std::lock_guard samplesGuard(samplesMutex);
    if (samples.count == 0) {
      samples.firstTick = tick;
      samples.firstPercent = percent;
    } else {
      samples.lastTick = tick;
      samples.lastPercent = percent;
    }
    ++samples.count;
  } else if (code == kFinished) {
    state = State::Ready;
    status = AsInt(UpdateStatus::Succeeded);
    ClearSamples();
  } else {
    status = AsInt(UpdateStatus::Failed);
    ClearSamples();
  }
  return eSuccess;
}

void Loader::ClearSamples() {
  std::lock_guard guard(samplesMutex);
  samples = Samples{};
}

// A copy that finds another one writing the keyboard sends it nothing: its download fails as one
// refused at the start would.
void Loader::DownloadUnlessAnotherCopyIs() {
  if (!downloadLock.TryTake()) {
    OnProgress(kFailed, 0.0);
    throw eNotReady;
  }
  const std::unique_ptr<DownloadLock, decltype([](DownloadLock* held) { held->Release(); })>
      releaseAtEnd(&downloadLock);
  device.load()->Download(image.get(), this);
}

uint32_t Loader::UpdateThreadProc(void* argument) {
  if (argument == nullptr) return 0xFFFF;
  auto* loader = static_cast<Loader*>(argument);
  try {
    loader->DownloadUnlessAnotherCopyIs();
    return 0;
  } catch (EResult failure) {
    Diagnostics::CodeLine(stdout, "Error: load failed! (", failure);
    return 1;
  }
}

}  // namespace CVFirmwareLoader
