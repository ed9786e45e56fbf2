% The same program for clingo.
e0(3,1).
e0(0,1).
e1(1).
e1(1).
e1(1).
e1(0).
e1(0).
e1(1).
m_ma(4,0).
m_ma(3,0).
m_ma(0,3).
m_ma(2,2).
s_sb(3,2).
s_sb(4,1).
s_sb(1,1).
aux1(G1_0,V3) :- m_ma(G1_0,V3), s_sb(V0,V1), V4 <= 6, V4 = G1_0 + V1, V4 >= 0.
s_s0(V1,V1) :- V1 >= 1, e0(V0,V1), aux1(G1_0,_), N1 = #min{AGG : aux1(G1_0,AGG)}.
aux2(G2_0,V2) :- s_sb(V0,0), s_sb(V0,G2_0), e0(G2_0,V0), not m_ma(V0,4), V2 = V0 * 2, V2 <= 6, V2 >= 0.
s_s0(G2_0,G2_0) :- s_sb(V0,0), m_ma(0,V1), not e1(V0), aux2(G2_0,_), N2 = #max{AGG : aux2(G2_0,AGG)}.
aux3(V1) :- s_sb(V0,V0), e1(V0), e1(V1), not e0(4,V1), V0 > 2.
p1(V1) :- m_ma(V0,V1), N3 = #sum{AGG : aux3(AGG)}.
p1(V1) :- p1(V0), e0(V1,1).
s_s2(V0,V0) :- s_sb(V0,V1), V2 = V1 - 1, V2 <= 6, V2 >= 0.
p3(V1) :- s_sb(4,V0), V1 >= 0, p1(V0), V1 = V0 * 1, p3(V0), V1 <= 6, not s_sb(V0,V0).
p3(V1) :- e0(V0,V1), V0 >= 0.
aux4(G4_0,V0) :- s_sb(V0,G4_0), s_s0(G4_0,V0).
p3(N4) :- s_s2(V0,V1), not e0(V0,V1), s_s4(V2,V2), aux4(G4_0,_), N4 = #min{AGG : aux4(G4_0,AGG)}.
s_s4(V0,V0) :- e1(V0), not s_s0(V0,V0), V1 = V0 * 2, V1 <= 6, V1 >= 0.
s_s4(V2,V2) :- m_ma(V0,V1), p3(V1), V2 = V0 * 1, V2 <= 6, V2 >= 0.
#show e0/2.
#show e1/1.
#show m_ma/2.
#show s_sb/2.
#show s_s0/2.
#show p1/1.
#show s_s2/2.
#show p3/1.
#show s_s4/2.
