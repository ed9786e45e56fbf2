% The same program for clingo.
e0(4).
e0(3).
e1(0).
e1(2).
e1(0).
e1(1).
e1(2).
e1(0).
e1(2).
s_sb(3,0).
s_sb(4,0).
s_sb(4,2).
s_sb(2,3).
s_sb(1,1).
p0(V0,V0,V0) :- m_m2(V0,V0), V0 > V0.
aux1(V0) :- V1 = V0 + 1, not e1(V0), V1 >= 0, e0(V0), V1 <= 6.
p0(V1,N1,V0) :- V2 = V1 - V1, s_s1(V0,V0), V2 <= 6, V2 >= 0, s_s1(V0,V1), N1 = #count{AGG : aux1(AGG)}.
p0(V0,V1,V0) :- s_s1(V0,4), s_sb(V2,V0), m_m2(V0,V1).
s_s1(4,V0) :- not e1(V0), V0 >= 0, e0(V0), s_s1(V0,V0).
aux2(G2_0,V1) :- G2_0 >= 2, e0(G2_0), V1 <= 6, V1 >= 0, V1 = G2_0 - 2.
m_m2(G2_0,N2) :- aux2(G2_0,_), N2 = #sum{AGG : aux2(G2_0,AGG)}.
#show e0/1.
#show e1/1.
#show s_sb/2.
#show p0/3.
#show s_s1/2.
#show m_m2/2.
