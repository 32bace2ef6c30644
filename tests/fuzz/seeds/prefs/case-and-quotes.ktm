[spi configuration]
visible=-1
lastmsg=PING
[SETUP]
showbaudchange=0
[RAM Viewer]
Left=10
Width=7000
[MODULE Settings]
KORVODn=#x
KORVOPrompt="  quoted  "
[LastOpened]
FILE0=C:\Work Files\motion0.vxt
