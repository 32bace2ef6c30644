[Setup]
CommCt=3
[Comm_1]
F1=Home•HM
F91=Jog•J
F100=Stop•ST
[Comm_2]
F1=Go	GO
F100=
[Comm_3]
FKeyEn=0
FGroupCt=2
F1=Home•HM
