% The same program for clingo.
e0(0,4).
e0(0,4).
e0(0,0).
e0(2,2).
e1(3).
e1(3).
aux1(V0) :- e1(V0), e0(4,0), e0(V0,V0), not e1(V0), V0 < 1, V1 = V0 + 1, V1 <= 6, V1 >= 0.
p1(N1) :- e0(V0,V0), not e0(0,V0), N1 = #count{AGG : aux1(AGG)}.
#show e0/2.
#show e1/1.
#show p0/2.
#show p1/1.
