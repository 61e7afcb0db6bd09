Spy_Mode=True
ComA_Port=3
