#pragma once
// Whether platform::startSockets has started the socket layer (and stopSockets not yet
// undone every start).
namespace platform {
bool socketLayerStarted();
}
