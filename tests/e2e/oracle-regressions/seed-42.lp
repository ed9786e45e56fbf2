% The same program for clingo.
e0(2).
e0(1).
e0(1).
e0(1).
e0(0).
e0(4).
e0(0).
e1(0,0,0).
e1(1,1,4).
e1(4,0,4).
e1(1,4,3).
e1(1,3,4).
m_ma(1,3).
s_sb(1,2).
s_sb(0,0).
p0(V1,V3) :- m_ma(V0,1), m_ma(V0,V1), V1 >= 2, m_ma(V2,V3).
aux1(V1) :- p0(V0,V1), not p0(V0,V0), V2 = V0 + V0, V2 <= 6, V2 >= 0.
p1(V1) :- s_sb(V0,V1), e0(V0), p1(V0), not p0(V1,_), N1 = #count{AGG : aux1(AGG)}.
aux2(G2_0,V0) :- p0(V1,G2_0), e0(V1), p0(V0,V0), not m_ma(V1,V0).
p1(V4) :- p0(V0,V1), e0(V2), e1(V3,V2,V4), not m_ma(V3,2), aux2(G2_0,_), N2 = #sum{AGG : aux2(G2_0,AGG)}.
s_s2(V0,V0) :- not p0(V0,_), V0 > 0, s_sb(V0,V0).
aux3(V0) :- not e1(_,V1,_), s_sb(V0,V1).
s_s2(1,N3) :- m_ma(V0,V1), V0 >= 1, V2 = V1 - 2, V2 <= 6, V2 >= 0, N3 = #count{AGG : aux3(AGG)}.
aux4(G4_0,V2) :- p0(G4_0,V1), e0(V2), e0(V2).
p3(N4,1) :- s_s2(V0,V0), V0 >= V0, V1 = V0 + 1, V1 <= 6, V1 >= 0, aux4(G4_0,_), N4 = #count{AGG : aux4(G4_0,AGG)}.
p3(V0,V0) :- p1(V0), s_s2(V0,V0), e0(V0), not e1(V0,V0,V0), V0 >= 2.
#show e0/1.
#show e1/3.
#show m_ma/2.
#show s_sb/2.
#show p0/2.
#show p1/1.
#show s_s2/2.
#show p3/2.
