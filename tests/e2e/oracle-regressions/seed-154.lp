% The same program for clingo.
e0(1,3).
e0(4,0).
e0(3,2).
e0(3,3).
e0(4,0).
e1(4,0,3).
e1(4,3,3).
e1(3,4,0).
e1(2,2,1).
e1(0,2,2).
m_ma(1,1).
m_ma(0,1).
m_ma(2,0).
m_ma(4,4).
s_sb(0,3).
s_sb(3,0).
s_sb(4,1).
s_sb(3,4).
s_sb(2,0).
aux1(V1) :- m_ma(V0,V1), not m_ma(V0,V0), V1 < 2.
s_s0(V0,3) :- s_s2(V0,V0), V0 >= 0, aux1(_), N1 = #max{AGG : aux1(AGG)}.
s_s0(V0,V0) :- m_ma(V0,V1), V2 = V1 - 1, V2 <= 6, V2 >= 0.
aux2(G2_0,V0) :- m_ma(V0,V1), e1(V1,V1,G2_0), not s_sb(G2_0,G2_0).
s_s0(V0,V1) :- s_s1(V0,V1), not e1(V0,V1,V0), V2 = V0 + 2, V2 <= 6, V2 >= 0, aux2(G2_0,_), N2 = #min{AGG : aux2(G2_0,AGG)}.
s_s1(V0,V0) :- V0 <= 1, not m_ma(V0,0), s_s1(V0,V0).
s_s1(V2,1) :- s_s0(V0,V0), s_s1(2,V1), e0(V2,V0).
s_s1(V0,V1) :- V1 > 1, s_s0(0,V1), e0(V1,2), e1(V0,V0,V0).
s_s2(V3,V0) :- e1(V0,V0,V1), e0(V2,V1), s_s0(V2,V0), V3 = V1 - 1, V3 <= 6, V3 >= 0.
aux3(G3_0,V0) :- e1(V0,V1,V2), e0(V2,G3_0), s_s2(V4,V2), not e0(G3_0,1).
m_m3(G3_0,N3) :- aux3(G3_0,_), N3 = #sum{AGG : aux3(G3_0,AGG)}.
p4(V1) :- e0(V0,V0), s_s0(V1,V0), e1(V0,V2,V3), not s_s0(V2,V1), V1 > V3, V4 = V2 * 2, V4 <= 6, V4 >= 0.
aux4(V0) :- s_s2(V1,2), e1(V0,V0,V0), s_sb(V1,0).
p4(V0) :- s_s0(V0,V1), V1 >= V1, N4 = #count{AGG : aux4(AGG)}.
p5(V0,V1) :- V0 > 3, p5(V0,V0), V1 = V0 - 2, V1 >= 0, V1 <= 6, not m_m3(V0,2).
#show e0/2.
#show e1/3.
#show m_ma/2.
#show s_sb/2.
#show s_s0/2.
#show s_s1/2.
#show s_s2/2.
#show m_m3/2.
#show p4/1.
#show p5/2.
