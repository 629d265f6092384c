/* What the keyboard relay driver and the test's relay server say to each other. The driver (C,
   kernel mode) hands each request it is given to the server over one connection of a named pipe:
   a request frame and its bytes, answered by a reply frame and its bytes. Shared by both sides. */
#pragma once

#include <stdint.h>

/* The pipe, as \\.\pipe\<name> to the server and \??\pipe\<name> to the driver. */
#define EVARIX_RELAY_PIPE_NAME L"EvarixKeyboardRelay"

/* The driver's device objects, one for each slot a keyboard's appearance may take. While a
   keyboard is in the slot, its device has a symbolic link named as the interface path that device
   enumeration lists for that appearance:
   \\?\ROOT#EVARIXKEYBOARD#<slot, four decimal digits>#<interface class>. Without a keyboard, the
   path names nothing, as a removed device's interface does. */
#define EVARIX_RELAY_SLOTS 64u
#define EVARIX_RELAY_INSTANCE_PREFIX L"ROOT#EVARIXKEYBOARD#"
#define EVARIX_RELAY_INTERFACE_CLASS L"{af2eb229-f4da-417a-818e-0f1894ba84b8}"

/* The code of a request frame that asks whether a keyboard is at the slot, sent when the slot's
   device is opened; every other code is a control code the driver was given. */
#define EVARIX_RELAY_OPEN 0u

/* The driver's own device, \\.\EvarixKeyboardRelay, takes one request: follow the keyboards
   now, for a keyboard that came or went while no request was being relayed. The driver relays it
   as a frame of that code, which only asks for the slots in use. The code is CTL_CODE(
   FILE_DEVICE_UNKNOWN, 0xA00, METHOD_BUFFERED, FILE_ANY_ACCESS). */
#define EVARIX_RELAY_CONTROL_NAME L"EvarixKeyboardRelay"
#define EVARIX_RELAY_FOLLOW_SLOTS 0x222800u

/* The largest request: a download block of the largest transfer size and its 4-byte header. The
   largest reply room; every reply of the keyboard's driver is far shorter. */
#define EVARIX_RELAY_MAX_REQUEST (65535u + 4u)
#define EVARIX_RELAY_MAX_REPLY 256u

/* Driver to server; requestLength bytes follow. */
typedef struct EvarixRelayRequest {
  uint32_t slot;
  uint32_t code;
  uint32_t requestLength;
  uint32_t replyRoom; /* the most reply bytes the caller can take */
} EvarixRelayRequest;

/* Server to driver; replyLength bytes follow, never more than the room the request gave. */
typedef struct EvarixRelayReply {
  uint32_t accepted; /* 0: the keyboard is not there or refused the request */
  uint32_t replyLength;
  uint64_t slotsInUse; /* bit N: a keyboard is in slot N once the request has been answered */
} EvarixRelayReply;
