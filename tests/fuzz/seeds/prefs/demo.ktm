[Setup]
State=0
Width=17000
Height=10500
DocCt=1
CommCt=1

[Pgm_0]
State=0

[Pgm_1]
State=0
Name=/home/user/korvo/demo.vxt
Left=9750
Top=0
Width=6800
Height=8400

[Comm_0]
State=0

[Comm_1]
State=0
Name=Terminal1
Left=0
Top=0
Width=9600
Height=8400
Columns=80
Rows=30
Device=4
Port=1
PortName=/dev/pts/7
Connected=-1
Settings=9600,N,8,1
TranslateCR=0
