#pragma once

#include <string_view>

// Every registry class, property key and compared value, spelled once. The
// scanner reads by these names and the registry builders write by them, so
// a typo is a compile error instead of a silently missing fact. The names
// are the hardware registry's own.
namespace plugscope::registry_names {

// The plane every parent, child and property search runs in.
inline constexpr std::string_view kIOService = "IOService";

// USB-C ports and the transports below them.
inline constexpr std::string_view kIOPort = "IOPort";
inline constexpr std::string_view kTypeCControllerType10 = "AppleTCControllerType10";
inline constexpr std::string_view kTypeCController = "AppleTCController";
inline constexpr std::string_view kPortTypeDescription = "PortTypeDescription";
inline constexpr std::string_view kPortDescription = "PortDescription";
inline constexpr std::string_view kDescription = "Description";
inline constexpr std::string_view kPortNumber = "PortNumber";
inline constexpr std::string_view kConnectionActive = "ConnectionActive";
inline constexpr std::string_view kActiveCable = "ActiveCable";
inline constexpr std::string_view kOpticalCable = "OpticalCable";
inline constexpr std::string_view kFeaturesEnabled = "FeaturesEnabled";
inline constexpr std::string_view kTransportState = "IOPortTransportState";
inline constexpr std::string_view kTransportTypeDescription = "TransportTypeDescription";
inline constexpr std::string_view kActive = "Active";
inline constexpr std::string_view kDataRateDescription = "DataRateDescription";
inline constexpr std::string_view kCableIdentity = "IOPortTransportComponentCCUSBPDSOPp";
inline constexpr std::string_view kAddressDescription = "AddressDescription";

// Values the scanner compares against.
inline constexpr std::string_view kUsbC = "USB-C";                // PortTypeDescription
inline constexpr std::string_view kPowerIn = "Power In";          // in FeaturesEnabled
inline constexpr std::string_view kCableAddress = "SOP'";         // AddressDescription
inline constexpr std::string_view kNoDataRate = "None";           // DataRateDescription
inline constexpr std::string_view kHighSpeedSuffix = " (High Speed)";
// TransportTypeDescription values.
inline constexpr std::string_view kTransportCC = "CC";
inline constexpr std::string_view kTransportUsb2 = "USB2";
inline constexpr std::string_view kTransportUsb3 = "USB3";
inline constexpr std::string_view kTransportCio = "CIO";
inline constexpr std::string_view kTransportDisplayPort = "DisplayPort";

// USB controllers, their ports and the devices on them.
inline constexpr std::string_view kUsbXhci = "AppleUSBXHCI";
inline constexpr std::string_view kUsbHostController = "IOUSBHostController";
inline constexpr std::string_view kUsbHostPortType = "AppleUSBHostPort";
inline constexpr std::string_view kUsbHostPort = "IOUSBHostPort";
inline constexpr std::string_view kIOUSBHostDevice = "IOUSBHostDevice";
inline constexpr std::string_view kBus = "Bus";    // on a controller
inline constexpr std::string_view kPort = "port";  // on a USB port: its number on the hub
inline constexpr std::string_view kUsbIOPort = "UsbIOPort";
// What a UsbIOPort path starts with; the port's description follows.
inline constexpr std::string_view kUsbIOPortPrefix = "IOService:/AppleTCControllerType10/";
inline constexpr std::string_view kUsbProductName = "USB Product Name";
inline constexpr std::string_view kUsbProductString = "kUSBProductString";
inline constexpr std::string_view kUsbBusCurrentAllocation = "kUSBBusCurrentAllocation";

// Thunderbolt routers.
inline constexpr std::string_view kThunderboltSwitchType3 = "IOThunderboltSwitchType3";
inline constexpr std::string_view kIOThunderboltSwitch = "IOThunderboltSwitch";
inline constexpr std::string_view kDepth = "Depth";
inline constexpr std::string_view kDeviceModelName = "Device Model Name";
inline constexpr std::string_view kSocketId = "Socket ID";

// The battery entry and its adapter.
inline constexpr std::string_view kAppleSmartBattery = "AppleSmartBattery";
inline constexpr std::string_view kPowerSource = "IOPMPowerSource";
inline constexpr std::string_view kExternalConnected = "ExternalConnected";
inline constexpr std::string_view kAdapterDetails = "AdapterDetails";
inline constexpr std::string_view kWatts = "Watts";

}  // namespace plugscope::registry_names
