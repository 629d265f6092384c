/* A kernel driver that stands in for the keyboard's own, for tests under Wine. It offers one
   device for each slot of a keyboard's appearance and hands every buffered control request, and
   every open, to the test's relay server over a named pipe; the server answers them with the
   simulated keyboard, and says which slots hold a keyboard, whose paths the driver then offers. */
#include <ntddk.h>

#include "tools/windows-relay-driver/RelayProtocol.h"

#define DEVICE_NAME L"\\Device\\EvarixKeyboardRelay"
#define LINK_NAME L"\\??\\" EVARIX_RELAY_INSTANCE_PREFIX
#define SLOT_DIGITS 4
/* The slot number of the driver's own device, which stands for no keyboard. */
#define CONTROL_SLOT EVARIX_RELAY_SLOTS

#if EVARIX_RELAY_SLOTS > 64
#error "the slots in use must fit the reply's 64 bits"
#endif

/* Where the slot's digits go in each name: right after the prefix. */
#define DEVICE_DIGITS_AT (sizeof(DEVICE_NAME) / sizeof(WCHAR) - 1)
#define LINK_DIGITS_AT (sizeof(LINK_NAME) / sizeof(WCHAR) - 1)

typedef struct SlotExtension {
  ULONG slot;
} SlotExtension;

typedef struct SlotNames {
  WCHAR device[sizeof(DEVICE_NAME L"0000") / sizeof(WCHAR)];
  WCHAR link[sizeof(LINK_NAME L"0000#" EVARIX_RELAY_INTERFACE_CLASS) / sizeof(WCHAR)];
  UNICODE_STRING deviceName;
  UNICODE_STRING linkName;
} SlotNames;

/* One frame on the pipe at a time: a mutex, not a fast mutex, because the pipe is read and
   written with Zw calls, which need PASSIVE_LEVEL. It also guards linkedSlots. */
static KMUTEX relayLock;
/* Bit N: slot N's symbolic link exists. */
static ULONG64 linkedSlots;

DRIVER_INITIALIZE DriverEntry;

static void PutDigits(WCHAR* at, ULONG slot) {
  for (int digit = SLOT_DIGITS - 1; digit >= 0; --digit) {
    at[digit] = (WCHAR)(L'0' + slot % 10);
    slot /= 10;
  }
}

static void NameSlot(SlotNames* names, ULONG slot) {
  RtlCopyMemory(names->device, DEVICE_NAME L"0000", sizeof(names->device));
  RtlCopyMemory(names->link, LINK_NAME L"0000#" EVARIX_RELAY_INTERFACE_CLASS, sizeof(names->link));
  PutDigits(names->device + DEVICE_DIGITS_AT, slot);
  PutDigits(names->link + LINK_DIGITS_AT, slot);
  RtlInitUnicodeString(&names->deviceName, names->device);
  RtlInitUnicodeString(&names->linkName, names->link);
}

static ULONG SlotOf(PDEVICE_OBJECT device) {
  return ((SlotExtension*)device->DeviceExtension)->slot;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS OpenPipe(HANDLE* pipe) {
  UNICODE_STRING name = RTL_CONSTANT_STRING(L"\\??\\pipe\\" EVARIX_RELAY_PIPE_NAME);
  OBJECT_ATTRIBUTES attributes;
  IO_STATUS_BLOCK io;
  InitializeObjectAttributes(&attributes, &name, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, NULL,
                             NULL);
  return ZwCreateFile(pipe, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &attributes, &io, NULL,
                      FILE_ATTRIBUTE_NORMAL, 0, FILE_OPEN,
                      FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0);
}

/* A byte pipe may move fewer bytes than asked for. */
static NTSTATUS MoveAll(HANDLE pipe, BOOLEAN write, void* bytes, ULONG length) {
  ULONG done = 0;
  while (done < length) {
    IO_STATUS_BLOCK io;
    UCHAR* at = (UCHAR*)bytes + done;
    NTSTATUS status = write
                          ? ZwWriteFile(pipe, NULL, NULL, NULL, &io, at, length - done, NULL, NULL)
                          : ZwReadFile(pipe, NULL, NULL, NULL, &io, at, length - done, NULL, NULL);
    if (!NT_SUCCESS(status)) return status;
    if (io.Information == 0) return STATUS_PIPE_BROKEN;
    done += (ULONG)io.Information;
  }
  return STATUS_SUCCESS;
}

/* One frame and its answer on a connection of its own. The buffer holds the request bytes on the
   way in and receives the reply bytes, as a buffered request's system buffer does. The slots in
   use are set only from a whole reply. */
static NTSTATUS Exchange(HANDLE pipe, EvarixRelayRequest* request, void* buffer, ULONG* replied,
                         ULONG64* slotsInUse) {
  EvarixRelayReply reply;
  NTSTATUS status = MoveAll(pipe, TRUE, request, sizeof(*request));
  if (NT_SUCCESS(status)) status = MoveAll(pipe, TRUE, buffer, request->requestLength);
  if (NT_SUCCESS(status)) status = MoveAll(pipe, FALSE, &reply, sizeof(reply));
  if (!NT_SUCCESS(status)) return STATUS_DEVICE_NOT_CONNECTED;
  if (reply.replyLength > request->replyRoom) return STATUS_DEVICE_PROTOCOL_ERROR;
  status = MoveAll(pipe, FALSE, buffer, reply.replyLength);
  if (!NT_SUCCESS(status)) return STATUS_DEVICE_NOT_CONNECTED;
  *replied = reply.replyLength;
  *slotsInUse = reply.slotsInUse;
  return reply.accepted != 0 ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

/* A slot's path exists exactly while a keyboard is in it. */
static void FollowSlots(ULONG64 slotsInUse) {
  for (ULONG slot = 0; slot < EVARIX_RELAY_SLOTS; ++slot) {
    const ULONG64 bit = 1ull << slot;
    SlotNames names;
    if (((slotsInUse ^ linkedSlots) & bit) == 0) continue;
    NameSlot(&names, slot);
    if ((slotsInUse & bit) != 0) {
      if (NT_SUCCESS(IoCreateSymbolicLink(&names.linkName, &names.deviceName))) linkedSlots |= bit;
    } else {
      IoDeleteSymbolicLink(&names.linkName);
      linkedSlots &= ~bit;
    }
  }
}

/* Runs at PASSIVE_LEVEL, in the thread of the caller of the dispatch routine. */
static NTSTATUS Relay(EvarixRelayRequest* request, void* buffer, ULONG* replied) {
  HANDLE pipe;
  NTSTATUS status;
  ULONG64 slotsInUse;
  *replied = 0;
  KeWaitForSingleObject(&relayLock, Executive, KernelMode, FALSE, NULL);
  slotsInUse = linkedSlots; /* kept unless a whole reply says otherwise */
  status = OpenPipe(&pipe);
  if (NT_SUCCESS(status)) {
    status = Exchange(pipe, request, buffer, replied, &slotsInUse);
    /* Before the close, which tells the server that the driver has followed the slots. */
    FollowSlots(slotsInUse);
    ZwClose(pipe);
  } else {
    status = STATUS_DEVICE_NOT_CONNECTED;
  }
  KeReleaseMutex(&relayLock, FALSE);
  return status;
}

/* A slot's open fails once the keyboard has left it, as it would once its device was removed. */
static NTSTATUS DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
  EvarixRelayRequest request = {SlotOf(device), EVARIX_RELAY_OPEN, 0, 0};
  ULONG replied;
  NTSTATUS status;
  if (request.slot == CONTROL_SLOT) return Complete(irp, STATUS_SUCCESS, 0);
  status = Relay(&request, NULL, &replied);
  return Complete(irp, status == STATUS_UNSUCCESSFUL ? STATUS_NO_SUCH_DEVICE : status, 0);
}

static NTSTATUS DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
  UNREFERENCED_PARAMETER(device);
  return Complete(irp, STATUS_SUCCESS, 0);
}

/* Only buffered requests of the unknown device type are relayed: their bytes sit in the system
   buffer, which is what the frame carries. The server judges the code itself. */
static NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  EvarixRelayRequest request = {SlotOf(device), code,
                                stack->Parameters.DeviceIoControl.InputBufferLength,
                                stack->Parameters.DeviceIoControl.OutputBufferLength};
  ULONG replied;
  NTSTATUS status;
  if (DEVICE_TYPE_FROM_CTL_CODE(code) != FILE_DEVICE_UNKNOWN ||
      METHOD_FROM_CTL_CODE(code) != METHOD_BUFFERED ||
      (request.slot == CONTROL_SLOT && code != EVARIX_RELAY_FOLLOW_SLOTS)) {
    return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
  if (request.requestLength > EVARIX_RELAY_MAX_REQUEST ||
      request.replyRoom > EVARIX_RELAY_MAX_REPLY) {
    return Complete(irp, STATUS_INVALID_BUFFER_SIZE, 0);
  }
  status = Relay(&request, irp->AssociatedIrp.SystemBuffer, &replied);
  return Complete(irp, status, NT_SUCCESS(status) ? replied : 0);
}

static void ControlNames(SlotNames* names) {
  RtlInitUnicodeString(&names->deviceName, DEVICE_NAME);
  RtlInitUnicodeString(&names->linkName, L"\\??\\" EVARIX_RELAY_CONTROL_NAME);
}

/* No request is under way any more: nothing else touches linkedSlots. */
static void RemoveDevices(PDRIVER_OBJECT driver) {
  while (driver->DeviceObject != NULL) {
    PDEVICE_OBJECT device = driver->DeviceObject;
    ULONG slot = SlotOf(device);
    SlotNames names;
    if (slot == CONTROL_SLOT) {
      ControlNames(&names);
      IoDeleteSymbolicLink(&names.linkName);
    } else if ((linkedSlots & (1ull << slot)) != 0) {
      NameSlot(&names, slot);
      IoDeleteSymbolicLink(&names.linkName);
    }
    IoDeleteDevice(device);
  }
  linkedSlots = 0;
}

/* The control device is reached through its link from the start; a slot's only once a keyboard
   is in it. */
static NTSTATUS AddDevice(PDRIVER_OBJECT driver, ULONG slot) {
  SlotNames names;
  PDEVICE_OBJECT device;
  NTSTATUS status;
  if (slot == CONTROL_SLOT) {
    ControlNames(&names);
  } else {
    NameSlot(&names, slot);
  }
  status = IoCreateDevice(driver, sizeof(SlotExtension), &names.deviceName, FILE_DEVICE_UNKNOWN,
                          FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  ((SlotExtension*)device->DeviceExtension)->slot = slot;
  device->Flags &= ~(ULONG)DO_DEVICE_INITIALIZING;
  if (slot != CONTROL_SLOT) return STATUS_SUCCESS;
  status = IoCreateSymbolicLink(&names.linkName, &names.deviceName);
  if (!NT_SUCCESS(status)) IoDeleteDevice(device);
  return status;
}

static void DriverUnload(PDRIVER_OBJECT driver) {
  RemoveDevices(driver);
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNREFERENCED_PARAMETER(registryPath);
  KeInitializeMutex(&relayLock, 0);
  driver->DriverUnload = DriverUnload;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
  driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  for (ULONG slot = 0; slot <= CONTROL_SLOT; ++slot) {
    NTSTATUS status = AddDevice(driver, slot);
    if (!NT_SUCCESS(status)) {
      RemoveDevices(driver);
      return status;
    }
  }
  return STATUS_SUCCESS;
}
