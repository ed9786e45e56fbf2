% The same program for clingo.
e0(3,0,4).
e0(3,2,0).
e0(2,0,2).
e0(2,3,2).
e0(4,3,2).
e1(3,4).
e1(4,3).
e2(1,1,1).
e2(2,3,4).
e2(1,3,0).
m_ma(0,0).
s_sb(0,0).
s_sb(3,0).
p0(V3) :- p0(V0), e0(V1,V2,V3), not e0(V3,2,V2), V3 <= 3.
s_s1(V0,V0) :- e2(V0,V0,V1), V0 < 4.
s_s1(V0,V0) :- m_ma(V0,V0).
aux1(V2) :- e2(V0,V0,V1), e1(V2,V2), V0 >= 2, V3 = V0 * V2, V3 <= 6, V3 >= 0.
p2(V1,V0,V2) :- p2(V0,V1,V1), e1(V0,V2), not e0(V1,V2,V1), V3 = V2 + 2, V3 <= 6, V3 >= 0, N1 = #sum{AGG : aux1(AGG)}.
p2(V0,V0,V0) :- s_s1(V0,V0), s_s1(V0,V1), not s_s1(V0,4).
aux2(V2) :- e1(V0,V0), e0(V0,V1,V2).
s_s3(N2,N2) :- e1(V0,V1), not e0(_,V1,V0), N2 = #sum{AGG : aux2(AGG)}.
#show e0/3.
#show e1/2.
#show e2/3.
#show m_ma/2.
#show s_sb/2.
#show p0/1.
#show s_s1/2.
#show p2/3.
#show s_s3/2.
