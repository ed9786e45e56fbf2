% The same program for clingo.
e0(1,4).
e0(0,4).
e0(4,1).
e0(3,3).
e0(1,4).
e0(3,2).
e1(1).
e1(2).
e1(4).
e1(4).
e2(3,0,2).
e2(4,4,3).
e2(3,4,1).
e2(1,3,4).
m_ma(2,2).
m_ma(4,0).
p0(V2,V1,V0) :- p0(V0,V0,V0), m_ma(V1,V2), not m_ma(V0,V1), V0 < V1.
aux1(V0) :- m_ma(V0,V1), e2(3,V1,V0), e0(V0,V2), not m_ma(3,3).
p0(N1,V1,V2) :- e2(V0,V0,V1), p1(1), e0(V1,V2), not m_ma(V1,2), V1 > 2, V3 = V1 + V2, V3 <= 6, V3 >= 0, N1 = #count{AGG : aux1(AGG)}.
p1(V0) :- e1(V0).
p1(4) :- e1(V0), not e1(0), V0 <= 2, V1 = V0 - 1, V1 <= 6, V1 >= 0.
p2(V0,V0) :- not m_ma(V0,V1), m_ma(V0,V1).
p3(V0,V0) :- V1 = V0 + 1, p1(V0), not p1(V0), V1 <= 6, V1 >= 0, e1(V0).
s_s4(V0,V1) :- p0(V0,V0,V0), p3(4,V1), p0(V2,V2,V3), not p1(V0).
s_s4(V2,V0) :- p0(V0,V0,V1), not e0(_,V1), V1 >= 3, V2 = V1 * 2, V2 <= 6, V2 >= 0.
aux2(G2_0,V0) :- p2(V0,V1), p0(V0,G2_0,G2_0), e1(0), not e0(G2_0,_).
s_s4(G2_0,N2) :- e0(V0,2), not p2(V0,V0), aux2(G2_0,_), N2 = #max{AGG : aux2(G2_0,AGG)}.
p5(V1,V1) :- e0(V0,V0), s_s4(V0,V0), not p0(V0,V0,V0), V1 = V0 - 1, V1 <= 6, V1 >= 0.
p5(V1,V1) :- e2(V0,V0,V0), p1(3), m_ma(V0,V0), V0 < 4, V1 = V0 - V0, V1 <= 6, V1 >= 0.
p5(V0,V0) :- p3(V0,V0), e1(V0), e0(3,3).
#show e0/2.
#show e1/1.
#show e2/3.
#show m_ma/2.
#show p0/3.
#show p1/1.
#show p2/2.
#show p3/2.
#show s_s4/2.
#show p5/2.
