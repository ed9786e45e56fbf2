e0(3).
e0(3).
e1(0).
e1(1).
e1(1).
e1(0).
e1(3).
e1(0).
e1(3).
e2(3,1).
e2(3,0).
e2(2,1).
e2(4,1).
e2(3,0).
e2(4,1).
e2(2,2).
m_ma(3,0).
isa(1,k0).
isa(1,k0).
isa(2,k0).
isa(4,k1).
isa(0,k2).
subc(X,Y) :- sub(X,Y).
subc(X,Z) :- sub(X,Y), subc(Y,Z).
member(X,C) :- isa(X,C).
member(X,C) :- isa(X,D), subc(D,C).
#show member/2.
#show subc/2.
s_s0(V1,V1) :- subc(2,k0), e1(V0), not e1(V0), V1 = V0 * V0, V1 <= 6, V1 >= 0.
s_s0(V0,V0) :- V1 <= 6, V1 >= 0, e1(V0), V1 = V0 + 1, V0 <= V0.
s_s0(V0,V1) :- V0 > 3, V3 >= 0, V3 = V2 + 2, e2(V0,V2), V3 <= 6, e2(V0,V1).
p1(3,V0,V1) :- member(V0,k0), m_ma(V1,1), not m_ma(V1,V1).
aux1(G1_0,V1) :- e1(G1_0), member(V1,k0), not e2(2,_).
p2(V1,V1) :- V0 <= V0, subc(1,k0), V1 = V0 * 1, V1 >= 0, V1 <= 6, member(V0,k1), aux1(G1_0,_), N1 = #min{AGG : aux1(G1_0,AGG)}, p1(G1_0,V1,V0).
p2(4,V0) :- p1(V0,V0,V0), e1(V0), not member(V0,k0).
p2(V0,4) :- p3(V1), e2(V0,V1), not m_ma(V1,V1).
p3(V1) :- p1(V0,V0,V1), s_s0(V0,V2), V1 <= V0, V3 = V1 + V1, V3 <= 6, V3 >= 0.
p3(V1) :- subc(V0,k0), V1 <= 6, V1 >= 0, p1(2,0,2), V1 = V0 - 1, member(V0,k1).
aux2(G2_0,V2) :- subc(2,k1), V1 > 1, member(V2,k0), not member(V2,k1), s_s0(G2_0,V1).
p4(N2,V1) :- subc(1,k2), member(V0,k2), p1(V1,V0,V1), V1 < 1, aux2(G2_0,_), N2 = #count{AGG : aux2(G2_0,AGG)}, p6(G2_0,N2).
s_s5(V1,V0) :- s_s0(2,V0), V1 = V0 * 2, V1 <= 6, V1 >= 0.
aux3(V1) :- V0 > V0, member(V1,k0), e1(V1), e0(V0).
s_s5(V0,V0) :- s_s5(V0,V0), subc(V0,k1), p6(V0,2), not p2(V0,_), N3 = #count{AGG : aux3(AGG)}.
p6(V0,V1) :- m_ma(V0,V1), e1(V2), not member(3,k1).
isa(V1,k0) :- subc(V0,k0), member(V0,k0), V1 = V0 - 1, V1 >= 0, V1 <= 6.
s_s0(V0,V0) :- subc(V0,k0), member(V0,k0), V1 = V0 - 1, V1 >= 0, V1 <= 6.
isa(V0,k1) :- e2(1,V0), subc(V0,k0), not e1(2).
isa(V0,k1) :- e1(3), e2(V0,V1).
aux4(V0) :- p3(V0).
isa(N4,k2) :- subc(0,k1), not e2(4,4), N4 = #count{AGG : aux4(AGG)}.
anyset(s0,X,Y) :- s_s0(X,Y).
anyset(s5,X,Y) :- s_s5(X,Y).
#show e0/1.
#show e1/1.
#show e2/2.
#show m_ma/2.
#show s_s0/2.
#show p1/3.
#show p2/2.
#show p3/1.
#show p4/2.
#show s_s5/2.
#show p6/2.
