[Setup]
CommCt=2
[Comm_1]
Name=Axis X
PortName=/dev/ttyUSB1
UsbVendorId=0403
UsbProductId=6001
UsbSerial=A6008isP
UsbDescription=FT232R USB UART
Connected=-1
[Comm_2]
Name=Axis Y
PortName=/dev/ttyUSB0
UsbVendorId=1a86
UsbProductId=7523
Connected=-1
